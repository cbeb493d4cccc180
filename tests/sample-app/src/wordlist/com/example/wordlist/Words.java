package com.example.wordlist;

/** The words the notes module shows. */
public final class Words {
  private Words() {}

  public static String first() {
    return "apple";
  }
}
