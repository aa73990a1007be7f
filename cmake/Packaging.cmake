# Packages from the normal build: `cmake --build build --target package`
# (or cpack in the build folder). Linux: a Debian package and a tarball of the
# same tree; Windows: a ZIP of the deployed folder and, when makensis is
# found, an installer.
set(CPACK_PACKAGE_NAME kestrune)
set(CPACK_PACKAGE_VENDOR "Kestrune developers")
set(CPACK_PACKAGE_CONTACT "Kestrune developers <bugs@kestrune.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.kestrune.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "derive the domains of a list of e-mail and web addresses")
set(CPACK_PACKAGE_DESCRIPTION
    "Kestrune Domain Extractor fills a list with e-mail and web addresses, typed in, loaded line by line\n"
    "from text files or added as samples, and derives one domain from every entry: the text after the\n"
    "@ of an e-mail address, a web address without its scheme and www. The domains can be copied to\n"
    "the clipboard, saved one per line or saved comma-delimited.")
string(CONCAT CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kestrune)
set(CPACK_STRIP_FILES ON)

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    find_program(KESTRUNE_MAKENSIS makensis)
    if(KESTRUNE_MAKENSIS)
        list(APPEND CPACK_GENERATOR NSIS)
    endif()
    set(CPACK_PACKAGE_EXECUTABLES kestrune "Kestrune Domain Extractor")
    set(CPACK_NSIS_DISPLAY_NAME "Kestrune Domain Extractor")
    set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/icons/kestrune.ico)
    set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/icons/kestrune.ico)
    set(CPACK_NSIS_INSTALLED_ICON_NAME "bin\\\\kestrune.exe")
    # A 64-bit program: a 64-bit installer (which Wine's 64-bit half runs too)
    # into the 64-bit Program Files.
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    set(CPACK_NSIS_DEFINES "Target amd64-unicode")
    # The uninstaller removes the installer's key, Software\<vendor>\Kestrune,
    # only after these commands, and never the vendor's key above it: both
    # go here, the vendor's when nothing else is left in it.
    set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
        "DeleteRegKey SHCTX \\\"Software\\\\${CPACK_PACKAGE_VENDOR}\\\\${CPACK_PACKAGE_INSTALL_DIRECTORY}\\\"
  DeleteRegKey /ifempty SHCTX \\\"Software\\\\${CPACK_PACKAGE_VENDOR}\\\"")
else()
    set(CPACK_GENERATOR DEB TGZ)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    # The libraries the executable links, as dpkg-shlibdeps finds them.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # On a Wayland desktop the program runs through XWayland, on the X11
    # platform the Qt libraries above bring; Qt's Wayland plugin serves the
    # desktops that run no XWayland.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
    string(APPEND CPACK_PACKAGE_DESCRIPTION
           "\nOn a Wayland desktop it runs through XWayland, where it keeps its fixed frame, starts centred and\n"
           "shares its clipboard with Wayland and X11 programs; without XWayland it uses Qt's Wayland plugin.")
endif()

include(CPack)
