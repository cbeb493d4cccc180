/** The modular sample's main module; it reads the word list module. */
module com.example.notes {
  requires com.example.wordlist;
}
