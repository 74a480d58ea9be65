# Installing the program: `cmake --install <build> [--prefix <folder>]`.
#
# The program lives in a folder of its own, <prefix>/lib/cuelark, with its help
# page, icons and sample stations beside it, because it looks for them (and
# keeps its settings file) beside its real executable. <prefix>/bin/cuelark is
# a symbolic link to it; the program resolves the link, so both start it.
# scripts/uninstall.sh removes what was installed.

# Without a prefix of the user's own, install for the user alone: no root needed.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT AND DEFINED ENV{HOME})
  set(CMAKE_INSTALL_PREFIX "$ENV{HOME}/.local" CACHE PATH "Install folder" FORCE)
endif()

set(CUELARK_PROGRAM_DIR lib/cuelark)

if(CUELARK_QT)
  install(TARGETS cuelark RUNTIME DESTINATION ${CUELARK_PROGRAM_DIR})
  install(FILES ${PROJECT_SOURCE_DIR}/assets/help.html DESTINATION ${CUELARK_PROGRAM_DIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/assets/broadcasts DESTINATION ${CUELARK_PROGRAM_DIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/assets/icons DESTINATION ${CUELARK_PROGRAM_DIR})
  foreach(_size 16 32)
    install(FILES ${PROJECT_SOURCE_DIR}/assets/icons/cuelark-${_size}.png
      DESTINATION share/icons/hicolor/${_size}x${_size}/apps RENAME cuelark.png)
  endforeach()

  # The launcher link and the desktop entry name the program by its absolute
  # path, which is known only when installing (--prefix may differ from the
  # configured prefix). Both are added to install_manifest.txt for uninstalling.
  install(CODE "set(_desktop_template \"${PROJECT_SOURCE_DIR}/assets/cuelark.desktop\")")
  install(CODE [[
    set(_prefix "${CMAKE_INSTALL_PREFIX}")
    set(_root "$ENV{DESTDIR}${_prefix}")
    set(_program "${_prefix}/lib/cuelark/cuelark")

    file(MAKE_DIRECTORY "${_root}/bin")
    file(REMOVE "${_root}/bin/cuelark")
    file(CREATE_LINK ../lib/cuelark/cuelark "${_root}/bin/cuelark" SYMBOLIC)
    message(STATUS "Installing: ${_root}/bin/cuelark -> ../lib/cuelark/cuelark")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_root}/bin/cuelark")

    file(READ "${_desktop_template}" _entry)
    string(REPLACE "@CUELARK_EXEC@" "${_program}" _entry "${_entry}")
    file(WRITE "${_root}/share/applications/cuelark.desktop" "${_entry}")
    message(STATUS "Installing: ${_root}/share/applications/cuelark.desktop")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_root}/share/applications/cuelark.desktop")
  ]])
endif()

# cuelark-export beside the program, and a link to it in <prefix>/bin.
if(TARGET cuelark-export)
  install(TARGETS cuelark-export RUNTIME DESTINATION ${CUELARK_PROGRAM_DIR})
  install(CODE [[
    set(_root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
    file(MAKE_DIRECTORY "${_root}/bin")
    file(REMOVE "${_root}/bin/cuelark-export")
    file(CREATE_LINK ../lib/cuelark/cuelark-export "${_root}/bin/cuelark-export" SYMBOLIC)
    message(STATUS "Installing: ${_root}/bin/cuelark-export -> ../lib/cuelark/cuelark-export")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${_root}/bin/cuelark-export")
  ]])
endif()
