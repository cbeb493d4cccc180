#include "check/edit_distance.h"

#include <gtest/gtest.h>

namespace veltrane::check {
namespace {

TEST(EditDistance, CountsEditsAndFindsTheNearestCandidate) {
  EXPECT_EQ(editDistance("", "abc"), 3U);
  EXPECT_EQ(editDistance("kitten", "sitting"), 3U);
  EXPECT_EQ(editDistance("Mian", "Main"), 2U);
  const std::vector<std::string_view> names = {"com.orbit.notes.Main", "com.orbit.notes.Mail",
                                               "lib", "libs"};
  const struct {
    std::string_view word;
    size_t limit;
    std::string_view expected;
  } rows[] = {
      {"com.orbit.notes.Mian", 3, "com.orbit.notes.Main"},
      {"COM.ORBIT.NOTES.MAIN", 1, "com.orbit.notes.Main"},  // case alone is no distance
      {"com.orbit.notes.Mian", 2, ""},                      // nearer than the limit only
      {"lbi", 3, "lib"},                                    // the first of equally near ones
      {"", 3, ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(nearest(row.word, names, row.limit), row.expected) << row.word;
  }
}

}  // namespace
}  // namespace veltrane::check
