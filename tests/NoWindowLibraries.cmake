cmake_minimum_required(VERSION 3.25)
# Fails when the program itself needs Qt Gui or Qt Widgets: scripted runs must start without
# loading them; only the window module may.
# Run as: cmake -DPROGRAM=<pelorin> -DMODULE=<pelorin-window.so> -P NoWindowLibraries.cmake
execute_process(COMMAND readelf -d ${PROGRAM} OUTPUT_VARIABLE program_needs COMMAND_ERROR_IS_FATAL ANY)
if(program_needs MATCHES "libQt6(Gui|Widgets|OpenGL|DBus)")
    message(FATAL_ERROR "${PROGRAM} needs ${CMAKE_MATCH_0}")
endif()
execute_process(COMMAND readelf -d ${MODULE} OUTPUT_VARIABLE module_needs COMMAND_ERROR_IS_FATAL ANY)
if(NOT module_needs MATCHES "libQt6Widgets")
    message(FATAL_ERROR "${MODULE} does not need Qt Widgets; is it the window module?")
endif()
message(STATUS "the program needs no window library; the window module does")
