# SPDX-License-Identifier: MIT
# Removes what the last `cmake --install` from this build installed, as listed in its
# install_manifest.txt, under the same DESTDIR. Folders are left: others may share them.

if(NOT EXISTS "${MANIFEST}")
  message(FATAL_ERROR "Nothing to uninstall: ${MANIFEST} is missing (install from this build "
                      "first; the list of installed files is written there)")
endif()
file(STRINGS "${MANIFEST}" installed)
set(failures 0)
foreach(file IN LISTS installed)
  set(path "$ENV{DESTDIR}${file}")
  if(EXISTS "${path}" OR IS_SYMLINK "${path}")
    message(STATUS "Removing ${path}")
    file(REMOVE "${path}")
    if(EXISTS "${path}")
      message(SEND_ERROR "Could not remove ${path}")
      math(EXPR failures "${failures} + 1")
    endif()
  else()
    message(STATUS "Already gone: ${path}")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} files could not be removed")
endif()
