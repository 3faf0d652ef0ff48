# Installing Vlakomat like any desktop program, and its Debian packages (scripts/package):
# vlakomat with the program and the tools, the desktop entry with its launcher, the icons, the
# MIME type of .vlk layouts, manual pages and the sample data (the operator's guide is built
# into the program), and the modules of the ports and servers and of printing, which the
# program loads when it first needs them; vlakomat-zvok with the tone module, whose Qt Multimedia pulls in a large
# share of a desktop's sound and video libraries, so it is only recommended.
include(GNUInstallDirs)
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME vlakomat)

set(VLAKOMAT_TOOLS vlakomat-monitor vlakomat-cs vlakomat-train vlakomat-drive)
set(_share ${CMAKE_INSTALL_DATADIR}/vlakomat)
set(_doc ${CMAKE_INSTALL_DATADIR}/doc/vlakomat)
set(VLAKOMAT_PACKAGE_MAINTAINER "Vlakomat developers <vlakomat@users.noreply.github.com>"
    CACHE STRING "Maintainer named in the Debian package")
set(_maintainer ${VLAKOMAT_PACKAGE_MAINTAINER})
set(_packaging ${PROJECT_BINARY_DIR}/packaging)

install(TARGETS vlakomat ${VLAKOMAT_TOOLS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(VLAKOMAT_MODULES vlakomat-ports vlakomat-print)
install(TARGETS ${VLAKOMAT_MODULES} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/vlakomat)
install(TARGETS vlakomat-tone LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/vlakomat COMPONENT zvok)
# Stripped also of the compiler's version notes, as Debian strips its own binaries.
function(vlakomat_strip_notes component)
  set(_files)
  foreach(_file IN LISTS ARGN)
    list(APPEND _files "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${_file}")
  endforeach()
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                            ${_files} COMMAND_ERROR_IS_FATAL ANY)
  endif()" COMPONENT ${component})
endfunction()
set(_programs)
foreach(_program vlakomat ${VLAKOMAT_TOOLS})
  list(APPEND _programs ${CMAKE_INSTALL_BINDIR}/${_program})
endforeach()
foreach(_module ${VLAKOMAT_MODULES})
  list(APPEND _programs ${CMAKE_INSTALL_LIBDIR}/vlakomat/${_module}.so)
endforeach()
vlakomat_strip_notes(vlakomat ${_programs})
vlakomat_strip_notes(zvok ${CMAKE_INSTALL_LIBDIR}/vlakomat/vlakomat-tone.so)
set(PROGRAM ${CMAKE_INSTALL_FULL_BINDIR}/vlakomat)
configure_file(dist/vlakomat-launcher ${_packaging}/vlakomat-launcher @ONLY)
install(PROGRAMS ${_packaging}/vlakomat-launcher DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vlakomat)

set(EXEC ${CMAKE_INSTALL_FULL_LIBEXECDIR}/vlakomat/vlakomat-launcher)
configure_file(dist/vlakomat.desktop.in ${_packaging}/vlakomat.desktop @ONLY)
install(FILES ${_packaging}/vlakomat.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES dist/vlakomat-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME vlakomat.xml)
# The icon is drawn by the program itself, so it is written at install time.
install(CODE "
  set(_icons \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/icons/hicolor\")
  execute_process(COMMAND \${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
                          \"$<TARGET_FILE:vlakomat>\" --write-icons \"\${_icons}\"
                  RESULT_VARIABLE _status)
  if(NOT _status EQUAL 0)
    message(FATAL_ERROR \"vlakomat --write-icons failed: \${_status}\")
  endif()")

install(FILES data/Decoders.tab data/Functions.tab data/Roster.tab data/Postaja.vlk
              data/vlakomat.ini
        DESTINATION ${_share}/primeri)

# Manual pages and the package's own documents, compressed as Debian wants them (no
# names or times inside, so the package builds the same every time).
find_program(GZIP gzip REQUIRED)
# SOURCE_DATE_EPOCH, when set, fixes the date.
string(TIMESTAMP DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(VERSION ${PROJECT_VERSION})
set(MAINTAINER ${_maintainer})
configure_file(dist/changelog ${_packaging}/changelog @ONLY)
set(_compressed)
foreach(_page vlakomat ${VLAKOMAT_TOOLS})
  list(APPEND _compressed ${PROJECT_SOURCE_DIR}/docs/man/${_page}.1)
endforeach()
set(_gz_files)
foreach(_file IN LISTS _compressed ITEMS ${_packaging}/changelog)
  get_filename_component(_name ${_file} NAME)
  add_custom_command(OUTPUT ${_packaging}/${_name}.gz
                     COMMAND ${GZIP} -9nc ${_file} > ${_packaging}/${_name}.gz
                     DEPENDS ${_file} VERBATIM)
  list(APPEND _gz_files ${_packaging}/${_name}.gz)
endforeach()
add_custom_target(vlakomat_package_files ALL DEPENDS ${_gz_files})
foreach(_page vlakomat ${VLAKOMAT_TOOLS})
  install(FILES ${_packaging}/${_page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${_packaging}/changelog.gz dist/copyright DESTINATION ${_doc})
install(FILES ${_packaging}/changelog.gz dist/copyright DESTINATION ${_doc}-zvok COMPONENT zvok)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vlakomat)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${_maintainer})
# The prefix of the build (scripts/package configures /usr): the desktop entry names the
# launcher by its full path.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL vlakomat zvok)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_VLAKOMAT_PACKAGE_NAME vlakomat)
set(CPACK_COMPONENT_VLAKOMAT_DESCRIPTION
    "control panel for a digital model railway on LocoNet
Vlakomat drives locomotives from throttle windows (a simple one, and a
realistic one that simulates a whole train with air brakes and takes two
hand-held throttles), keeps a roster of locomotives with their function maps,
switches turnouts from a layout panel and shows every message on the LocoNet
bus. It reaches the bus through a LocoNet interface on a serial port, a
LocoNet-over-TCP server, or a command station simulated inside the program.
Its windows, messages and operator's guide are in Slovenian.")
# The platform plugins that every Qt window needs, and the Slovenian texts of Qt's own
# dialogs, are no linked libraries; without the tones the program beeps with the desktop's bell.
set(CPACK_DEBIAN_VLAKOMAT_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_VLAKOMAT_PACKAGE_RECOMMENDS
    "vlakomat-zvok (= ${PROJECT_VERSION}), qt6-translations-l10n")

set(CPACK_DEBIAN_ZVOK_PACKAGE_NAME vlakomat-zvok)
set(CPACK_COMPONENT_ZVOK_DESCRIPTION
    "tones of the Vlakomat model railway control panel
The warning and acknowledgement tones of Vlakomat's throttles through the
sound output, with Qt Multimedia. Without this package Vlakomat beeps with
the desktop's bell instead.")
set(CPACK_DEBIAN_ZVOK_PACKAGE_DEPENDS "vlakomat (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_ZVOK_PACKAGE_SECTION sound)
include(CPack)
