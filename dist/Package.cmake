# The Debian package (cpack -G DEB): name, description and the dependencies dpkg-shlibdeps misses.
set(EXAM_PACKAGE_MAINTAINER "Exam developers <exam@localhost>"
    CACHE STRING "Maintainer field of the Debian package (Name <address>)")

# exam loads its platform and image plugins at run time, so no ELF dependency points at the
# packages that hold them; ask dpkg who owns the files this build was configured against
# (libqt6gui6 on Debian 12, split into other packages on later releases).
function(exam_plugin_packages out)
  set(packages "")
  find_program(DPKG_QUERY dpkg-query)
  if(NOT DPKG_QUERY)
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  foreach(plugin platforms/libqxcb.so imageformats/libqjpeg.so)
    set(file ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}/${plugin})
    execute_process(COMMAND ${DPKG_QUERY} -S ${file} OUTPUT_VARIABLE owner RESULT_VARIABLE rc
                    ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT rc EQUAL 0)
      message(WARNING "No Debian package owns ${file}; the package will not depend on it")
      continue()
    endif()
    # "libqt6gui6:amd64: /usr/lib/..." -> libqt6gui6
    string(REGEX REPLACE "[:,].*" "" owner "${owner}")
    list(APPEND packages ${owner})
  endforeach()
  list(REMOVE_DUPLICATES packages)
  set(${out} ${packages} PARENT_SCOPE)
endfunction()

exam_plugin_packages(plugin_packages)
# Pages name "Arial", "Times New Roman", "Courier New" (Liberation stands in), the window draws
# with DejaVu, and Chinese or Japanese page text needs Droid Sans Fallback.
set(runtime_packages ${plugin_packages} fonts-liberation fonts-dejavu-core fonts-droid-fallback)
list(JOIN runtime_packages ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME exam)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${EXAM_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "timed multiple-choice tests on a computer")
set(CPACK_PACKAGE_DESCRIPTION
    "A student takes a timed multiple-choice test from a test file (.tst), marks the options\n"
    "with the mouse or keys while a clock counts down, and saves his answers to a file\n"
    "(.tst-usr) for the teacher; a crash backup is written every second. The teacher's\n"
    "answers file (.tst-ans) shows the grade and the right options.\n"
    "\n"
    "The package also holds examtool, the teacher's command-line tool: it makes a test\n"
    "from a Markdown source, checks and inspects the three file kinds, grades a folder\n"
    "of answer files and renders pages to PNG. The user interface is in Russian.")
string(CONCAT CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Russian texts of Qt's own dialogs and buttons; without them they show in English.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-translations-l10n)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
