package com.example.greeting;

/** The greeting, from a jar of its own that the main jar's Class-Path names. */
public final class Greeter {
  private Greeter() {}

  public static String greet(String who) {
    return "Hello, " + who + ", from " + System.getProperty("java.version");
  }
}
