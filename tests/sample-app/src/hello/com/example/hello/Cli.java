package com.example.hello;

import com.example.greeting.Greeter;

/** The command-line twin: greets whoever its arguments name, one per line. */
public final class Cli {
  private Cli() {}

  public static void main(String[] args) {
    for (String who : args) {
      System.out.println(Greeter.greet(who));
    }
  }
}
