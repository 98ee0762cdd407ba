# The program is built in layers, one static library per folder, each linking
# only the layers below it:
#
#   base <- link <- journal <- params <- monitor <- diagram <- files <- tasks <- app
#                                                                      tasks <- cli
#                                          monitor <- mqtt (libmosquitto)       <- app, cli
#   base <- i18n (the program's language)                                     <- app, cli
#
# tasks holds each use case once (read, apply and save settings, record, the
# report, the search for detectors); the window's menu and verkan-cli only
# choose files, show progress and print outcomes. files (CSV recordings, PDF
# reports), tasks and cli need no widgets.
#
# A layer's headers are reachable only through its own include root
# (<build>/layers/<folder>/<folder> links to the folder), so a file that
# includes a header of a layer it does not link fails to compile.
function(verkan_layer folder)
  cmake_parse_arguments(LAYER "INTERFACE" "" "LINKS" ${ARGN})
  set(root ${PROJECT_BINARY_DIR}/layers/${folder})
  file(MAKE_DIRECTORY ${root})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  if(LAYER_INTERFACE)
    add_library(verkan_${folder} INTERFACE)
    target_include_directories(verkan_${folder} INTERFACE ${root})
    target_link_libraries(verkan_${folder} INTERFACE ${LAYER_LINKS})
    return()
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER sources EXCLUDE REGEX ".*/main\\.cpp$")
  add_library(verkan_${folder} STATIC ${sources})
  target_include_directories(verkan_${folder} PUBLIC ${root})
  target_link_libraries(verkan_${folder} PUBLIC ${LAYER_LINKS})
endfunction()
