# Fails when the launcher outgrows its size budget, and prints its size
# either way: cmake -DFILE=veltrane.exe -DBUDGET=65536 -P size-budget.cmake
if(NOT EXISTS "${FILE}")
  message(FATAL_ERROR "size budget: ${FILE} not found: build it first")
endif()
file(SIZE "${FILE}" size)
get_filename_component(name "${FILE}" NAME)
if(size GREATER BUDGET)
  message(FATAL_ERROR "${name}: ${size} bytes, over the budget of ${BUDGET} bytes")
endif()
message(STATUS "${name}: ${size} bytes, within the budget of ${BUDGET} bytes")
