// The JavaScript lint of scripts/check-quality.sh: the tools and their tests.
// ESLint's recommended rules (undefined and unused names, unreachable code,
// duplicate keys, ...) and shadowed names; no rule of layout or taste.
import js from "@eslint/js";
import globals from "globals";

export default [
  js.configs.recommended,
  {
    files: ["**/*.js", "**/*.mjs"],
    languageOptions: {
      ecmaVersion: 2022,
      sourceType: "module",
      globals: globals.node,
    },
    rules: {
      // A name that hides one declared above it, such as an import.
      "no-shadow": ["error", { hoist: "never" }],
      "no-unused-vars": ["error", { args: "after-used", caughtErrors: "all" }],
      // The tools refuse control characters in names and texts on purpose.
      "no-control-regex": "off",
    },
  },
];
