// Reading a Java class file, as far as packing needs it: its version, access
// flags, this and super class, methods, and a module-info's Module and
// ModuleMainClass attributes. Pure: bytes in, a plain object out; a damaged
// file throws a ClassFileError that says where it ends or what is wrong.

export class ClassFileError extends Error {}

export const ACC_PUBLIC = 0x0001;
export const ACC_PRIVATE = 0x0002;
export const ACC_STATIC = 0x0008;
export const ACC_ABSTRACT = 0x0400;
export const ACC_MODULE = 0x8000;
// A "requires static" module is needed at compile time only.
export const ACC_STATIC_PHASE = 0x0040;

// Slots each constant pool tag takes, and its size after the tag byte
// (Utf8 has its own length).
const CONSTANTS = {
  3: 4, 4: 4, 5: 8, 6: 8, 7: 2, 8: 2, 9: 4, 10: 4, 11: 4, 12: 4, 15: 3, 16: 2, 17: 4, 18: 4, 19: 2, 20: 2,
};

function reader(bytes) {
  let offset = 0;
  const need = (count) => {
    if (offset + count > bytes.length) {
      throw new ClassFileError(`truncated at byte ${bytes.length} (${count} more bytes needed at ${offset})`);
    }
  };
  return {
    u1() { need(1); return bytes[offset++]; },
    u2() { need(2); offset += 2; return (bytes[offset - 2] << 8) | bytes[offset - 1]; },
    u4() { need(4); offset += 4; return ((bytes[offset - 4] << 24) >>> 0) + (bytes[offset - 3] << 16) +
      (bytes[offset - 2] << 8) + bytes[offset - 1]; },
    bytes(count) { need(count); offset += count; return bytes.subarray(offset - count, offset); },
    skip(count) { need(count); offset += count; },
  };
}

// Java's modified UTF-8: NUL as two bytes, other characters beyond U+FFFF as
// two three-byte surrogates; both decode like UTF-16 code units.
export function decodeModifiedUtf8(bytes) {
  const units = [];
  for (let i = 0; i < bytes.length;) {
    const b = bytes[i];
    if (b < 0x80) {
      units.push(b);
      i += 1;
    } else if ((b & 0xe0) === 0xc0 && i + 1 < bytes.length) {
      units.push(((b & 0x1f) << 6) | (bytes[i + 1] & 0x3f));
      i += 2;
    } else if ((b & 0xf0) === 0xe0 && i + 2 < bytes.length) {
      units.push(((b & 0x0f) << 12) | ((bytes[i + 1] & 0x3f) << 6) | (bytes[i + 2] & 0x3f));
      i += 3;
    } else {
      throw new ClassFileError(`a name holds the byte 0x${b.toString(16)}, which modified UTF-8 does not use`);
    }
  }
  return String.fromCharCode(...units);
}

function readConstantPool(input) {
  const count = input.u2();
  const pool = new Array(count);
  for (let index = 1; index < count; index++) {
    const tag = input.u1();
    if (tag === 1) {
      pool[index] = { tag, text: decodeModifiedUtf8(input.bytes(input.u2())) };
    } else if (tag in CONSTANTS) {
      const at = input.bytes(CONSTANTS[tag]);
      pool[index] = { tag, ref: (at[0] << 8) | at[1] };
      if (tag === 5 || tag === 6) index++;
    } else {
      throw new ClassFileError(`constant ${index} has the unknown tag ${tag}`);
    }
  }
  return pool;
}

// The text of a Utf8 constant, or of the Utf8 a Class, Module or Package names.
function textAt(pool, index, tags) {
  const constant = pool[index];
  if (!constant || !tags.includes(constant.tag)) {
    throw new ClassFileError(`constant ${index} is not the ${tags.includes(7) ? "class" : "name"} it should be`);
  }
  return constant.tag === 1 ? constant.text : textAt(pool, constant.ref, [1]);
}

function readMembers(input, pool) {
  const members = [];
  for (let count = input.u2(); count > 0; count--) {
    const access = input.u2();
    const name = textAt(pool, input.u2(), [1]);
    const descriptor = textAt(pool, input.u2(), [1]);
    for (let attributes = input.u2(); attributes > 0; attributes--) {
      input.u2();
      input.skip(input.u4());
    }
    members.push({ access, name, descriptor });
  }
  return members;
}

// The module's name and what it requires; exports, opens and the rest are
// left unread.
function readModule(data, pool) {
  const input = reader(data);
  const name = textAt(pool, input.u2(), [19]);
  input.skip(4);
  const requires = [];
  for (let count = input.u2(); count > 0; count--) {
    const module = textAt(pool, input.u2(), [19]);
    const flags = input.u2();
    input.skip(2);
    requires.push({ name: module, flags });
  }
  return { name, requires };
}

function readClassAttributes(input, pool, classFile) {
  for (let count = input.u2(); count > 0; count--) {
    const name = textAt(pool, input.u2(), [1]);
    const data = input.bytes(input.u4());
    if (name === "Module") classFile.module = readModule(data, pool);
    if (name === "ModuleMainClass") {
      classFile.moduleMainClass = textAt(pool, reader(data).u2(), [7]).replaceAll("/", ".");
    }
  }
}

// The parts of a class file packing reads; class names use dots
// ("com.example.Main"), superClass is null for java.lang.Object and
// module-info.
export function parseClassFile(bytes) {
  const input = reader(bytes);
  if (input.u4() !== 0xcafebabe) throw new ClassFileError("not a class file (no 0xCAFEBABE at its start)");
  const minor = input.u2();
  const major = input.u2();
  const pool = readConstantPool(input);
  const access = input.u2();
  const thisClass = textAt(pool, input.u2(), [7]).replaceAll("/", ".");
  const superIndex = input.u2();
  const superClass = superIndex === 0 ? null : textAt(pool, superIndex, [7]).replaceAll("/", ".");
  input.skip(input.u2() * 2);
  readMembers(input, pool);
  const methods = readMembers(input, pool);
  const classFile = { major, minor, access, thisClass, superClass, methods };
  readClassAttributes(input, pool, classFile);
  return classFile;
}

// The Java release a class file version belongs to: 52 is Java 8, 65 Java 21.
export function javaOfMajor(major) {
  return major >= 49 ? String(major - 44) : `1.${Math.max(major - 44, 1)}`;
}
