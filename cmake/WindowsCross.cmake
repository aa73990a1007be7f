# The Windows program cross-built here with MinGW-w64 (./test.sh --windows):
# every test runs under Wine, through a script that gives it the build's own
# Wine prefix and the Qt and MinGW libraries a deployed folder would hold.
find_program(KESTRUNE_WINE wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(KESTRUNE_WINE wine64)
find_program(KESTRUNE_WINESERVER wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(KESTRUNE_WINESERVER wineserver)
if(NOT KESTRUNE_WINE OR NOT KESTRUNE_WINESERVER)
    message(STATUS "No wine64: the Windows tests are built but cannot run here")
    return()
endif()

# MinGW's runtime libraries, wherever this compiler keeps them.
set(KESTRUNE_MINGW_RUNTIME)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll} OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(path ${path} REALPATH)
    list(APPEND KESTRUNE_MINGW_RUNTIME ${path})
endforeach()

# Wine reads WINEPATH as Windows paths: the root of this machine is drive Z:.
set(KESTRUNE_WINE_PATH)
foreach(folder ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS} ${KESTRUNE_MINGW_RUNTIME})
    if(NOT IS_DIRECTORY ${folder})
        get_filename_component(folder ${folder} DIRECTORY)
    endif()
    string(REPLACE "/" "\\" folder "Z:${folder}")
    list(APPEND KESTRUNE_WINE_PATH ${folder})
endforeach()
list(REMOVE_DUPLICATES KESTRUNE_WINE_PATH) # the script gets them separated by ";", as Wine wants
set(KESTRUNE_QT_PLUGINS Z:${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
set(KESTRUNE_WINE_PREFIX ${PROJECT_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${PROJECT_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-run.sh)
