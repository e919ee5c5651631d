# Writes OUTPUT, a header defining QRVL_REVISION as the source revision that `git describe` gives
# for SOURCE_DIR ("" outside a git work tree), rewriting it only when the revision changed.
execute_process(
  COMMAND git -C "${SOURCE_DIR}" describe --always --dirty --abbrev=12
  OUTPUT_VARIABLE revision OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  set(revision "")
endif()
file(WRITE "${OUTPUT}.new" "#pragma once\n#define QRVL_REVISION \"${revision}\"\n")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
