package com.example.notes;

import com.example.wordlist.Words;

/** Says which modules it and its word list were loaded from: named ones only on the module path. */
public final class Main {
  private Main() {}

  public static void main(String[] args) {
    System.out.println("Notes from module " + Main.class.getModule().getName() + ", words from module "
        + Words.class.getModule().getName() + ": " + Words.first());
  }
}
