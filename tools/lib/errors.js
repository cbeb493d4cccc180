// A mistake of the user's: reported as one line, never with a stack trace.
export class ToolError extends Error {}

// Runs a command's main: a ToolError is one line and the status given; any
// other error is an internal one (status 70), still in one line.
export async function runCommand(name, main, errorStatus = 1) {
  try {
    process.exitCode = await main(process.argv.slice(2));
  } catch (error) {
    const known = error instanceof ToolError;
    console.error(`${name}: ${known ? "" : "internal error: "}${error.message}`);
    process.exitCode = known ? errorStatus : 70;
  }
}
