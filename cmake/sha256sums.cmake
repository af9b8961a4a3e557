# Writes OUTPUT in the format of "sha256sum": one line per file of FILES (a ;-list), the sum, two
# blanks and the file's name, so that "sha256sum -c" checks the files in the folder where they lie
# beside it. With BASE instead of FILES: every file below the folder BASE but OUTPUT, in sorted
# order, each named by its path from BASE ("include/zeth/zeth_string.h"), for "sha256sum -c" in
# BASE. Usage: cmake -DOUTPUT=... "-DFILES=a;b" -P sha256sums.cmake
#              cmake -DOUTPUT=... -DBASE=... -P sha256sums.cmake (or include() with both set)
if(NOT DEFINED OUTPUT OR (NOT DEFINED FILES AND NOT DEFINED BASE))
    message(FATAL_ERROR "sha256sums: set OUTPUT, and FILES or BASE")
endif()
set(lines "")
if(DEFINED BASE)
    file(GLOB_RECURSE FILES LIST_DIRECTORIES false RELATIVE ${BASE} ${BASE}/*)
    list(SORT FILES)
    file(RELATIVE_PATH output_name ${BASE} ${OUTPUT})
    list(REMOVE_ITEM FILES ${output_name})
    list(TRANSFORM FILES PREPEND ${BASE}/)
endif()
foreach(file IN LISTS FILES)
    file(SHA256 ${file} sum)
    if(DEFINED BASE)
        file(RELATIVE_PATH name ${BASE} ${file})
    else()
        get_filename_component(name ${file} NAME)
    endif()
    string(APPEND lines "${sum}  ${name}\n")
endforeach()
file(WRITE ${OUTPUT} "${lines}")
