# Compiles every C++ source of a build once more, with the compiler command
# compile_commands.json holds for it, the headers of HEADERS found first and
# HEADERS/nominmax_asked.h included before anything else, checking only that
# it compiles: -fsyntax-only writes nothing, not even where -o says. Sources
# the build generates (moc, rcc) are left out.
#   cmake -DBUILD=<build folder> -DSOURCE=<source folder> -DHEADERS=<folder> -P compile_as_msvc_sees_it.cmake
file(READ "${BUILD}/compile_commands.json" commands)
string(JSON count LENGTH "${commands}")
math(EXPR last "${count} - 1")
set(compiled 0)
set(failed)
foreach(i RANGE ${last})
    string(JSON file GET "${commands}" ${i} file)
    string(FIND "${file}" "${BUILD}/" in_build)
    string(FIND "${file}" "${SOURCE}/" in_source)
    if(NOT file MATCHES "\\.cpp$" OR in_build EQUAL 0 OR NOT in_source EQUAL 0)
        continue()
    endif()
    string(JSON command GET "${commands}" ${i} command)
    string(JSON directory GET "${commands}" ${i} directory)
    separate_arguments(arguments UNIX_COMMAND "${command}")
    list(INSERT arguments 1 "-I${HEADERS}")
    execute_process(COMMAND ${arguments} -fsyntax-only -include "${HEADERS}/nominmax_asked.h" WORKING_DIRECTORY "${directory}"
                    RESULT_VARIABLE result)
    math(EXPR compiled "${compiled} + 1")
    if(NOT result EQUAL 0)
        list(APPEND failed "${file}")
    endif()
endforeach()
list(LENGTH failed failures)
message("${compiled} sources compiled with the headers of ${HEADERS}, ${failures} failed")
if(compiled EQUAL 0 OR failures GREATER 0)
    list(JOIN failed "\n  " names)
    message(FATAL_ERROR "failed:\n  ${names}")
endif()
