// How far apart two words are, for the "did you mean" hints: the letters to
// insert, delete or replace to turn one into the other.
#ifndef VELTRANE_CHECK_EDIT_DISTANCE_H_
#define VELTRANE_CHECK_EDIT_DISTANCE_H_

#include <cstddef>
#include <string_view>
#include <vector>

namespace veltrane::check {

size_t editDistance(std::string_view from, std::string_view to);

// The candidate nearest to the word (the first of equally near ones), when
// it is less than `limit` edits away, letters compared ignoring case; empty
// when none is that near.
std::string_view nearest(std::string_view word, const std::vector<std::string_view>& candidates,
                         size_t limit);

}  // namespace veltrane::check

#endif  // VELTRANE_CHECK_EDIT_DISTANCE_H_
