# Installation, the programs' identity (version, window icon) and the Debian
# package.
#
#   cmake --install <build> --prefix <dir>   installs into <dir>
#   bash scripts/package.sh                  makes build-package/verkan-r_<version>_<arch>.deb
#                                            with Debian's hardening flags
#
# Layout (under the prefix, /usr in the package):
#   bin/verkan-r, bin/verkan-sim
#   share/man/man1/<program>.1.gz                   a manual page per program
#   share/verkan-r/ringout.wav                      the alarm tone
#   share/applications/verkan-r.desktop
#   share/metainfo/<id>.metainfo.xml                AppStream description
#   share/icons/hicolor/<N>x<N>/apps/verkan-r.png   and scalable/apps/verkan-r.svg
#   share/doc/verkan-r/                             guide.ru.md and guide.en.md (the
#                                                   installer's guides, F1 in the window),
#                                                   README.md with its pictures, copyright,
#                                                   changelog.Debian.gz
# The installed program finds its tone in ../share/verkan-r and keeps its
# journal in the user's data folder (app/datapaths.h).
#
# packaging/changelog is the Debian changelog: its newest entry gives the
# package's version and revision (its upstream part must be the project's
# version) and the release date of the manual pages and the AppStream file.

include(GNUInstallDirs)

set(VERKAN_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(VERKAN_GENERATED_DIR ${PROJECT_BINARY_DIR}/packaging)
set(VERKAN_HOMEPAGE "https://github.com/verkan-r/verkan-r")
# Where the AppStream file's screenshots are served from: the repository's
# files on its main branch.
set(VERKAN_RAW_URL "https://raw.githubusercontent.com/verkan-r/verkan-r/main")
# AppStream component id: the homepage in reverse, with "_" for "-".
set(VERKAN_APPSTREAM_ID io.github.verkan_r.verkan_r)
set(VERKAN_PACKAGE_MAINTAINER "verkan-r developers <verkan-r@users.noreply.github.com>"
  CACHE STRING "Maintainer field of the Debian package: name <e-mail>")

# Every program of the package. Each one is installed in bin/, told the
# project's version (VERKAN_VERSION, for --version) and has its manual page
# in packaging/man/<name>.1.in: a new program is one more name here.
set(VERKAN_PROGRAMS verkan-r verkan-sim verkan-cli)

# --- version and date from the changelog -------------------------------------
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VERKAN_PACKAGING_DIR}/changelog)
file(READ ${VERKAN_PACKAGING_DIR}/changelog verkan_changelog)
if(NOT verkan_changelog MATCHES "^verkan-r \\(([0-9][^ )]*)-([0-9][^- )]*)\\) ")
  message(FATAL_ERROR "packaging/changelog: the first line is not \"verkan-r (VERSION-REVISION) ...\"")
endif()
set(VERKAN_DEBIAN_REVISION ${CMAKE_MATCH_2})
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog: the newest entry is for ${CMAKE_MATCH_1}, "
    "the project's version is ${PROJECT_VERSION}: add an entry for ${PROJECT_VERSION}")
endif()
# The first trailer line is the newest entry's: " -- name <mail>  Sun, 06 Dec 2026 ..."
if(NOT verkan_changelog MATCHES
    "\n -- [^\n]*>  [A-Z][a-z][a-z], ([0-9]?[0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "packaging/changelog: no date in the newest entry's trailer line")
endif()
set(verkan_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND verkan_months ${CMAKE_MATCH_2} verkan_month)
math(EXPR verkan_month "${verkan_month} + 1")
math(EXPR verkan_day "${CMAKE_MATCH_1}")
foreach(part verkan_month verkan_day)
  if(${part} LESS 10)
    set(${part} 0${${part}})
  endif()
endforeach()
set(VERKAN_RELEASE_DATE ${CMAKE_MATCH_3}-${verkan_month}-${verkan_day})

# --- the programs ---------------------------------------------------------------
foreach(program IN LISTS VERKAN_PROGRAMS)
  if(TARGET ${program})
    target_compile_definitions(${program} PRIVATE VERKAN_VERSION="${PROJECT_VERSION}")
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# The icon, drawn once as packaging/verkan-r.svg and rendered to PNG at each
# size of packaging/icons/ with
#   for n in 16 22 24 32 48 64 128 256; do
#     rsvg-convert -w $n -h $n packaging/verkan-r.svg -o packaging/icons/verkan-r-$n.png
#   done
# The same PNGs are the window's icon (app/main.cpp reads every file under
# :/icons) and the desktop's icons in the hicolor theme.
file(GLOB VERKAN_ICON_PNGS ${VERKAN_PACKAGING_DIR}/icons/verkan-r-*.png)
qt_add_resources(verkan-r verkan_r_icons
  PREFIX /icons
  BASE ${VERKAN_PACKAGING_DIR}/icons
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
install(FILES ${VERKAN_PACKAGING_DIR}/verkan-r.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# --- data, desktop entry, AppStream ------------------------------------------
# Made in the build folder by the ringout_wav target, which every build runs.
install(FILES ${PROJECT_BINARY_DIR}/ringout.wav
  DESTINATION ${CMAKE_INSTALL_DATADIR}/verkan-r)

install(FILES ${VERKAN_PACKAGING_DIR}/verkan-r.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

configure_file(${VERKAN_PACKAGING_DIR}/verkan-r.metainfo.xml.in
  ${VERKAN_GENERATED_DIR}/${VERKAN_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${VERKAN_GENERATED_DIR}/${VERKAN_APPSTREAM_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# --- manual pages and the changelog, compressed as Debian wants them ----------
# gzip -9 -n: best compression, no name or time stamp, so the same sources
# give the same package.
find_program(VERKAN_GZIP gzip REQUIRED)
set(verkan_gzipped)
function(verkan_gzip file)
  add_custom_command(OUTPUT ${file}.gz
    COMMAND ${VERKAN_GZIP} -9 -n -f -k ${file}
    DEPENDS ${file}
    VERBATIM)
  set(verkan_gzipped ${verkan_gzipped} ${file}.gz PARENT_SCOPE)
endfunction()

foreach(program IN LISTS VERKAN_PROGRAMS)
  if(TARGET ${program})
    configure_file(${VERKAN_PACKAGING_DIR}/man/${program}.1.in
      ${VERKAN_GENERATED_DIR}/man/${program}.1 @ONLY)
    verkan_gzip(${VERKAN_GENERATED_DIR}/man/${program}.1)
    install(FILES ${VERKAN_GENERATED_DIR}/man/${program}.1.gz
      DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

configure_file(${VERKAN_PACKAGING_DIR}/changelog
  ${VERKAN_GENERATED_DIR}/changelog.Debian COPYONLY)
verkan_gzip(${VERKAN_GENERATED_DIR}/changelog.Debian)
add_custom_target(verkan_gzipped_docs ALL DEPENDS ${verkan_gzipped})

# --- documentation ------------------------------------------------------------
set(VERKAN_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/verkan-r)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${VERKAN_PACKAGING_DIR}/copyright
  ${VERKAN_GENERATED_DIR}/changelog.Debian.gz
  ${PROJECT_SOURCE_DIR}/docs/guide.ru.md ${PROJECT_SOURCE_DIR}/docs/guide.en.md
  DESTINATION ${VERKAN_DOCDIR})
# The pictures and the simulator's page the README links to.
file(GLOB VERKAN_DOC_PICTURES ${PROJECT_SOURCE_DIR}/docs/*.png)
install(FILES ${VERKAN_DOC_PICTURES} DESTINATION ${VERKAN_DOCDIR}/docs)
install(FILES ${PROJECT_SOURCE_DIR}/sim/README.md DESTINATION ${VERKAN_DOCDIR}/sim)
# This package is built by the project, not uploaded to Debian, so its first
# changelog entry has no "intent to package" bug to close.
install(FILES ${VERKAN_PACKAGING_DIR}/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
  RENAME verkan-r)

# --- CPack: Debian package ---------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME verkan-r)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "verkan-r developers")
set(CPACK_PACKAGE_CONTACT "${VERKAN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${VERKAN_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "setup and monitoring program of the VERKAN-R intrusion detector")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Only the install rules above go into the package; the source package is
# not made.
set(CPACK_SOURCE_GENERATOR "")

set(CPACK_DEBIAN_PACKAGE_NAME verkan-r)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VERKAN_DEBIAN_REVISION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # verkan-r_<version>-<revision>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VERKAN_HOMEPAGE}")
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
and sounds an alarm tone while a flank is in alarm. It also watches a whole
line of detectors, near or behind a serial server, and can publish the
line's states and events to an MQTT broker, with Home Assistant discovery.

The package also holds verkan-sim, a simulated detector on a
pseudo-terminal for training, demonstrations and tests.")
# Library dependencies (Qt Core/Gui/Widgets/SerialPort/Multimedia, libmosquitto,
# libstdc++)
# come from dpkg-shlibdeps. The rest is needed only at run time:
# - on Debian 12 the media back-end plugins (GStreamer, FFmpeg) and the
#   PulseAudio output that plays the tone are in libqt6multimedia6, the xcb
#   platform plugin in libqt6gui6: both come in through the libraries, and
#   qt6-qpa-plugins (VNC, EGLFS and the like) is not needed;
# - the window asks for "Times New Roman" and "Cambria"; fontconfig maps them
#   to Liberation Serif and Caladea, which keep their metrics;
# - Qt's own texts (the file dialogs' buttons and labels) in the window's
#   language come from qt6-translations-l10n (qtbase_ru.qm).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "fonts-liberation, fonts-crosextra-caladea, qt6-translations-l10n")
# A sound server is needed for the tone to be heard, not to run.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pipewire-pulse | pulseaudio")
# Detectors far away are reached through a serial server, often ser2net on a
# small computer at the site.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "ser2net")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)

# The package test (scripts/package-test.sh) builds the package in a build
# folder of its own, checks it with lintian and appstreamcli, unpacks it and
# runs what it installed: a few minutes from scratch, seconds once built. It
# is left out of ctest unless asked for:
#   cmake -DVERKAN_PACKAGE_TEST=ON ... && ctest -R package_deb
option(VERKAN_PACKAGE_TEST "Register the Debian package test with ctest" OFF)
if(BUILD_TESTING AND VERKAN_PACKAGE_TEST)
  add_test(NAME package_deb COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/package-test.sh)
  set_tests_properties(package_deb PROPERTIES
    ENVIRONMENT "VERKAN_PKG_BUILD_DIR=${PROJECT_BINARY_DIR}/package-test"
    RUN_SERIAL TRUE
    TIMEOUT 1200)
endif()
