// How many single-letter insertions, deletions and substitutions turn one
// text into another (Levenshtein's distance), for "did you mean" hints.

// The distance, or limit when it is limit or more (so far-off names cost
// little: a difference in length alone can settle it).
export function editDistance(a, b, limit = Infinity) {
  if (Math.abs(a.length - b.length) >= limit) return limit;
  let previous = Array.from({ length: b.length + 1 }, (_, i) => i);
  for (let i = 1; i <= a.length; i++) {
    const current = [i];
    let best = i;
    for (let j = 1; j <= b.length; j++) {
      current[j] = Math.min(previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (a[i - 1] === b[j - 1] ? 0 : 1));
      best = Math.min(best, current[j]);
    }
    if (best >= limit) return limit;
    previous = current;
  }
  return Math.min(previous[b.length], limit);
}

// The candidate nearest to word, if one is near enough to be a slip: at most
// a third of the word's letters apart. Ties go to the earlier candidate.
export function nearest(word, candidates) {
  let found = null;
  let limit = Math.max(1, Math.floor(word.length / 3)) + 1;
  for (const candidate of candidates) {
    const distance = editDistance(word, candidate, limit);
    if (distance < limit) {
      found = candidate;
      limit = distance;
    }
  }
  return found;
}
