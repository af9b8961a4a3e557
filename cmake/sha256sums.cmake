# Writes OUTPUT in the format of "sha256sum": one line per file of FILES (a ;-list), the sum, two
# blanks and the file's name, so that "sha256sum -c" checks the files in the folder where they lie
# beside it. Usage: cmake -DOUTPUT=... "-DFILES=a;b" -P sha256sums.cmake
foreach(variable OUTPUT FILES)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "sha256sums: ${variable} is not set")
    endif()
endforeach()
set(lines "")
foreach(file IN LISTS FILES)
    file(SHA256 ${file} sum)
    get_filename_component(name ${file} NAME)
    string(APPEND lines "${sum}  ${name}\n")
endforeach()
file(WRITE ${OUTPUT} "${lines}")
