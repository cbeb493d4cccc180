/** The word list, a module of its own that the notes module requires. */
module com.example.wordlist {
  exports com.example.wordlist;
}
