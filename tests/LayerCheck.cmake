cmake_minimum_required(VERSION 3.25)
# Fails when core code (src/<subsystem>/, outside widgets/) includes a Qt Gui or Qt Widgets
# header or a header of a widgets/ folder: core must stay usable without a display. Also fails
# when the frame kit (src/shell/widgets/) includes the start-up side (src/app/) or a
# subsystem's window: every window builds on the kit, so the kit must lean on none of them.
# Run as: cmake -DSRC=<src dir> -DQT_HEADER_DIRS=<QtGui dir>|<QtWidgets dir> -P LayerCheck.cmake
string(REPLACE "|" ";" header_dirs "${QT_HEADER_DIRS}")
set(forbidden)
foreach(dir IN LISTS header_dirs)
    file(GLOB names RELATIVE ${dir} ${dir}/Q*)
    list(APPEND forbidden ${names})
endforeach()

file(GLOB_RECURSE files ${SRC}/*.h ${SRC}/*.cpp)
list(FILTER files EXCLUDE REGEX "/widgets/")
set(violations)
foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
        if(line MATCHES "[<\"]([^>\"]+)[>\"]")
            set(target ${CMAKE_MATCH_1})
            get_filename_component(name ${target} NAME)
            if(target MATCHES "(^|/)widgets/" OR target MATCHES "^Qt(Gui|Widgets)/"
               OR (target STREQUAL name AND name IN_LIST forbidden))
                file(RELATIVE_PATH shown ${SRC} ${file})
                list(APPEND violations "${shown}: ${line}")
            endif()
        endif()
    endforeach()
endforeach()

file(GLOB kit_files ${SRC}/shell/widgets/*.h ${SRC}/shell/widgets/*.cpp)
foreach(file IN LISTS kit_files)
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS includes)
        if(NOT line MATCHES "\"([^\"]+)\"")
            continue()
        endif()
        set(target ${CMAKE_MATCH_1})
        if(target MATCHES "^app/"
           OR (target MATCHES "/widgets/" AND NOT target MATCHES "^shell/widgets/"))
            file(RELATIVE_PATH shown ${SRC} ${file})
            list(APPEND violations "${shown}: ${line}")
        endif()
    endforeach()
endforeach()

if(violations)
    list(JOIN violations "\n  " text)
    message(FATAL_ERROR "Layering broken (core including window headers, or the frame kit "
                        "including a window above it):\n  ${text}")
endif()
list(LENGTH files count)
list(LENGTH kit_files kit_count)
message(STATUS "${count} core files include no window headers; ${kit_count} frame kit files include no window above them")
