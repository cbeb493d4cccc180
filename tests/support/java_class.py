"""A main class for the test jars: the class file of a class with a
public static void main(String[]), without code, which is all veltrane-pack
reads of it."""

import struct


def main_class_file(name):
    """The class file of the class name ("com.example.Main")."""
    pool = []

    def utf8(text):
        pool.append(b"\x01" + struct.pack(">H", len(text)) + text.encode())
        return len(pool)

    def class_of(text):
        index = utf8(text)
        pool.append(b"\x07" + struct.pack(">H", index))
        return len(pool)

    this, parent = class_of(name.replace(".", "/")), class_of("java/lang/Object")
    main = struct.pack(">HHHH", 0x9, utf8("main"), utf8("([Ljava/lang/String;)V"), 0)
    return (struct.pack(">IHHH", 0xCAFEBABE, 0, 55, len(pool) + 1) + b"".join(pool) +
            struct.pack(">HHHHHH", 0x21, this, parent, 0, 0, 1) + main + struct.pack(">H", 0))


def class_entry(name):
    """The jar entry name of the class name."""
    return name.replace(".", "/") + ".class"
