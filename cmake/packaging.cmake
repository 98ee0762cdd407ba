# Installation and the Debian package.
#
#   cmake --install <build> --prefix <dir>   installs into <dir>
#   cd <build> && cpack -G DEB               makes verkan-r_<version>_<arch>.deb
#
# Layout (under the prefix, /usr in the package):
#   bin/verkan-r, bin/verkan-sim
#   share/verkan-r/ringout.wav                      the alarm tone
#   share/applications/verkan-r.desktop
#   share/icons/hicolor/<N>x<N>/apps/verkan-r.png   and scalable/apps/verkan-r.svg
# The installed program finds its tone in ../share/verkan-r and keeps its
# journal in the user's data folder (app/datapaths.h).

include(GNUInstallDirs)

# Every program of the package: installed in bin/ and told the project's
# version (VERKAN_VERSION, for --version).
set(VERKAN_PROGRAMS verkan-r verkan-sim)
foreach(program IN LISTS VERKAN_PROGRAMS)
  if(TARGET ${program})
    target_compile_definitions(${program} PRIVATE VERKAN_VERSION="${PROJECT_VERSION}")
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# Made in the build folder by the ringout_wav target, which every build runs.
install(FILES ${PROJECT_BINARY_DIR}/ringout.wav
  DESTINATION ${CMAKE_INSTALL_DATADIR}/verkan-r)

install(FILES ${PROJECT_SOURCE_DIR}/packaging/verkan-r.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The icon, drawn once as packaging/verkan-r.svg and rendered to PNG at each
# size of packaging/icons/ with
#   for n in 16 22 24 32 48 64 128 256; do
#     rsvg-convert -w $n -h $n packaging/verkan-r.svg -o packaging/icons/verkan-r-$n.png
#   done
# The same PNGs are the window's icon (app/main.cpp reads every file under
# :/icons) and the desktop's icons in the hicolor theme.
file(GLOB VERKAN_ICON_PNGS ${PROJECT_SOURCE_DIR}/packaging/icons/verkan-r-*.png)
qt_add_resources(verkan-r verkan_r_icons
  PREFIX /icons
  BASE ${PROJECT_SOURCE_DIR}/packaging/icons
  FILES ${VERKAN_ICON_PNGS})
foreach(png IN LISTS VERKAN_ICON_PNGS)
  get_filename_component(name ${png} NAME)
  if(NOT name MATCHES "^verkan-r-([0-9]+)\\.png$")
    message(FATAL_ERROR "packaging/icons/${name}: expected verkan-r-<size>.png")
  endif()
  install(FILES ${png}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${CMAKE_MATCH_1}x${CMAKE_MATCH_1}/apps
    RENAME verkan-r.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/verkan-r.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# --- CPack: Debian package ---------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME verkan-r)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "verkan-r developers")
set(VERKAN_PACKAGE_MAINTAINER "verkan-r developers <verkan-r@localhost>"
  CACHE STRING "Maintainer field of the Debian package: name <e-mail>")
set(CPACK_PACKAGE_CONTACT "${VERKAN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "setup and monitoring program of the VERKAN-R intrusion detector")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Only the install rules above go into the package; the source package is
# not made.
set(CPACK_SOURCE_GENERATOR "")

set(CPACK_DEBIAN_PACKAGE_NAME verkan-r)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # verkan-r_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION comm)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The long description, after the summary line; CPack indents it for the
# control file and turns the empty line into " .".
set(CPACK_PACKAGE_DESCRIPTION
  "verkan-r connects a PC to the VERKAN-R perimeter intrusion detector over a
serial line (RS-232 or a USB-serial adapter). It shows the state of the two
flanks of the sensing cable and of the tamper sensor, reads and changes the
detector's settings and bus address, runs the remote test, draws a strip
chart of the cable signal with a timed control pass, keeps an event journal
and sounds an alarm tone while a flank is in alarm.

The package also holds verkan-sim, a simulated detector on a
pseudo-terminal for training, demonstrations and tests.")
# Library dependencies (Qt Core/Gui/Widgets/SerialPort/Multimedia, libstdc++)
# come from dpkg-shlibdeps. The rest is needed only at run time:
# - on Debian 12 the media back-end plugins (GStreamer, FFmpeg) and the
#   PulseAudio output that plays the tone are in libqt6multimedia6, the xcb
#   platform plugin in libqt6gui6: both come in through the libraries, and
#   qt6-qpa-plugins (VNC, EGLFS and the like) is not needed;
# - the window asks for "Times New Roman" and "Cambria"; fontconfig maps them
#   to Liberation Serif and Caladea, which keep their metrics.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-crosextra-caladea")
# A sound server is needed for the tone to be heard, not to run.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pipewire-pulse | pulseaudio")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

# The package test (scripts/package-test.sh) builds the package in a build
# folder of its own, unpacks it and runs what it installed: a minute or two
# from scratch, seconds once built. It is left out of ctest unless asked for:
#   cmake -DVERKAN_PACKAGE_TEST=ON ... && ctest -R package_deb
option(VERKAN_PACKAGE_TEST "Register the Debian package test with ctest" OFF)
if(BUILD_TESTING AND VERKAN_PACKAGE_TEST)
  add_test(NAME package_deb COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/package-test.sh)
  set_tests_properties(package_deb PROPERTIES
    ENVIRONMENT "VERKAN_PKG_BUILD_DIR=${PROJECT_BINARY_DIR}/package-test"
    RUN_SERIAL TRUE
    TIMEOUT 1200)
endif()
