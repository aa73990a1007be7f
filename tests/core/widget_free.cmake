# Fails when a file of the core includes anything of the GUI: a header of
# src/gui/, or one of Qt's GUI or widget modules. The core's target links Qt
# Core alone, but Qt's include root would still find <QtWidgets/...>, and
# src/ finds "gui/...".
#   cmake -DCORE=<src/core> -P widget_free.cmake
file(GLOB_RECURSE sources "${CORE}/*.h" "${CORE}/*.cpp")
set(offenders)
foreach(source IN LISTS sources)
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
        if(line MATCHES "[\"<](gui/|QtGui/|QtWidgets/|QtOpenGL|QtPrintSupport/)"
           OR line MATCHES "<Q(Widget|Application|GuiApplication|Painter|Pixmap|Image|Icon|Cursor|Clipboard|Accessible[A-Za-z]*|Color|Palette|Font[A-Za-z]*|Screen|KeyEvent|MouseEvent|ListView|TreeView|TableView|HeaderView|AbstractItemView|PushButton|MessageBox|FileDialog)>")
            list(APPEND offenders "${source}: ${line}")
        endif()
    endforeach()
endforeach()
list(LENGTH sources count)
if(count EQUAL 0)
    message(FATAL_ERROR "no sources under ${CORE}")
endif()
if(offenders)
    list(JOIN offenders "\n  " lines)
    message(FATAL_ERROR "the core includes the GUI:\n  ${lines}")
endif()
message("${count} files of the core, none includes the GUI")
