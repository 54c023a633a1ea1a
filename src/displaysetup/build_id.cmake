# Writes OUTPUT, a header defining VORPANE_BUILD_ID: the commit of the source tree
# SOURCE_DIR as 40 lower-case hexadecimal digits, or 40 zeros when the tree is not a
# git checkout of its own. The file is rewritten only when the identifier changes, so
# an unchanged commit rebuilds nothing.
set(id "0000000000000000000000000000000000000000")
find_program(GIT git)
if(GIT)
    execute_process(COMMAND "${GIT}" -C "${SOURCE_DIR}" rev-parse --show-toplevel HEAD
        OUTPUT_VARIABLE out ERROR_QUIET RESULT_VARIABLE failed
        OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT failed)
        string(REPLACE "\n" ";" lines "${out}")
        list(LENGTH lines count)
        if(count EQUAL 2)
            list(GET lines 0 top)
            list(GET lines 1 head)
            file(REAL_PATH "${top}" top)
            file(REAL_PATH "${SOURCE_DIR}" source)
            # A tree inside somebody else's checkout is not a checkout of its own.
            if(top STREQUAL source AND head MATCHES "^[0-9a-f]+$")
                string(LENGTH "${head}" length)
                if(length EQUAL 40)
                    set(id "${head}")
                endif()
            endif()
        endif()
    endif()
endif()
set(text "// The commit the program was built from (generated).\n#pragma once\n#define VORPANE_BUILD_ID \"${id}\"\n")
set(old "")
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
    file(WRITE "${OUTPUT}" "${text}")
endif()
