package com.example.hello;

import com.example.greeting.Greeter;
import java.io.InputStream;
import java.lang.reflect.Field;
import java.util.Properties;

/** Greets, and lists its arguments (a document it was opened with comes last). */
public final class Main {
  private Main() {}

  public static void main(String[] args) throws Exception {
    // Reaching into java.lang works only with the manifest's Add-Opens.
    Field hash = String.class.getDeclaredField("hash");
    hash.setAccessible(true);
    Properties words = new Properties();
    try (InputStream in = Main.class.getResourceAsStream("/words.properties")) {
      if (in != null) {
        words.load(in);
      }
    }
    System.out.println(Greeter.greet(words.getProperty("who", "nobody")));
    for (String argument : args) {
      System.out.println("argument: " + argument);
    }
  }
}
