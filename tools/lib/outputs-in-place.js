// Putting a pack's outputs under their final names as one set: the old ones
// step aside into the temporary folder first, and when any move fails every
// step is undone, so the output folder holds the whole old set or the whole
// new one, never a mix.
import fs from "node:fs";
import path from "node:path";

// Moves each kept output from staging into outDir, the old one of the same
// name into staging (removed with it). rename is fs.renameSync's stand-in.
export function moveIntoPlace(outputs, staging, outDir, rename = fs.renameSync) {
  const done = [];
  try {
    outputs.forEach((output, index) => {
      if (output.kept === false) return;
      const step = { target: path.join(outDir, output.name), from: path.join(staging, output.name) };
      done.push(step);
      if (fs.existsSync(step.target)) {
        rename(step.target, path.join(staging, `.old-${index}`));
        step.old = path.join(staging, `.old-${index}`);
      }
      rename(step.from, step.target);
      step.placed = true;
    });
  } catch (error) {
    error.keepStaging = !undo(done.reverse(), rename);
    if (error.keepStaging) error.message += `; the earlier outputs are left in ${staging}`;
    throw error;
  }
}

// Puts every old output back; false when one could not be.
function undo(steps, rename) {
  let whole = true;
  for (const step of steps) {
    try {
      if (step.placed) rename(step.target, step.from);
      if (step.old) rename(step.old, step.target);
    } catch {
      whole = false;
    }
  }
  return whole;
}
