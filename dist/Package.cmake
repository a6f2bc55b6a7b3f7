# The Debian packages (cpack -G DEB): exam and exam-teacher, their descriptions and the
# dependencies dpkg-shlibdeps misses.
set(exam_maintainer "Exam developers <devel@exam-edu.org>")
set(EXAM_PACKAGE_MAINTAINER "${exam_maintainer}"
    CACHE STRING "Maintainer field of the Debian packages (Name <address>)")
# Build trees configured before carry the old placeholder in their cache: take the default.
if(EXAM_PACKAGE_MAINTAINER STREQUAL "Exam developers <exam@localhost>")
  set_property(CACHE EXAM_PACKAGE_MAINTAINER PROPERTY VALUE "${exam_maintainer}")
endif()
if(NOT EXAM_PACKAGE_MAINTAINER MATCHES "^[^<>]+ <[^<>@ ]+@[^<>@ ]+\\.[^<>@ ]+>$")
  message(FATAL_ERROR "EXAM_PACKAGE_MAINTAINER must read 'Name <user@host.domain>', "
                      "not '${EXAM_PACKAGE_MAINTAINER}'")
endif()

# The changelog's newest entry names the version being packaged; a release that forgets it
# would ship a changelog about an older one.
file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/changelog changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^exam \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "dist/changelog starts with '${changelog_head}', "
                      "not with an entry for exam ${PROJECT_VERSION}")
endif()

# The programs load their platform and image plugins at run time, so no ELF dependency points at
# the packages that hold them; ask dpkg who owns the files this build was configured against
# (libqt6gui6 on Debian 12, split into other packages on later releases).
function(exam_plugin_packages out)
  set(packages "")
  find_program(DPKG_QUERY dpkg-query)
  if(NOT DPKG_QUERY)
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  foreach(plugin ${ARGN})
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

# Pages name "Arial", "Times New Roman", "Courier New" (Liberation stands in), the windows draw
# with DejaVu, and Chinese or Japanese page text needs Droid Sans Fallback. The student's window
# runs on xcb; examtool draws pages on the offscreen platform; both read JPEG pictures.
set(fonts fonts-liberation fonts-dejavu-core fonts-droid-fallback)
exam_plugin_packages(exam_plugins platforms/libqxcb.so imageformats/libqjpeg.so)
exam_plugin_packages(teacher_plugins platforms/libqoffscreen.so imageformats/libqjpeg.so)
set(exam_depends ${exam_plugins} ${fonts})
set(teacher_depends ${teacher_plugins} ${fonts})
list(JOIN exam_depends ", " CPACK_DEBIAN_EXAM_PACKAGE_DEPENDS)
list(JOIN teacher_depends ", " CPACK_DEBIAN_TEACHER_PACKAGE_DEPENDS)

# The Russian texts of Qt's own dialogs and buttons; without them they show in English. Symbola
# draws the symbols of symbol-font pages that the other fonts lack, in both programs. The
# teacher's TeX formulas need LaTeX with Cyrillic (in outline fonts), dvisvgm and preview.sty.
set(CPACK_DEBIAN_EXAM_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-symbola")
set(teacher_recommends qt6-translations-l10n texlive-latex-base texlive-lang-cyrillic
                       cm-super-minimal dvisvgm preview-latex-style fonts-symbola)
list(JOIN teacher_recommends ", " CPACK_DEBIAN_TEACHER_PACKAGE_RECOMMENDS)

# Descriptions: the first line of each file is the summary, the rest the extended description.
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/exam.description CPACK_DEBIAN_EXAM_DESCRIPTION)
file(READ ${CMAKE_CURRENT_SOURCE_DIR}/exam-teacher.description CPACK_DEBIAN_TEACHER_DESCRIPTION)
if(NOT TARGET examdesk)
  # A build without the teacher's window: its bullet runs up to the blank line.
  string(REGEX REPLACE "\n \\* examdesk[^\n]*(\n   [^\n]*)*" ""
                       CPACK_DEBIAN_TEACHER_DESCRIPTION "${CPACK_DEBIAN_TEACHER_DESCRIPTION}")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME exam)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${EXAM_PACKAGE_MAINTAINER}")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL exam teacher)
set(CPACK_DEBIAN_EXAM_PACKAGE_NAME exam)
set(CPACK_DEBIAN_TEACHER_PACKAGE_NAME exam-teacher)
# The teacher's trial run starts the student's program, and the MIME types and icons are exam's.
set(CPACK_COMPONENT_TEACHER_DEPENDS exam)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_SOURCE exam)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
