# What `cmake --install` puts under the prefix, and the packages `cpack` makes of it: natively
# a Debian package of hhc and folivane with their manual pages; for Windows a zip holding
# Folivane.exe, which carries its own help tools.
include(GNUInstallDirs)

# folivane_install_man(PAGE): installs PAGE (a roff file beside the caller) gzipped into
# man1, as Debian keeps manual pages.
function(folivane_install_man page)
  get_filename_component(name ${page} NAME)
  set(gz ${CMAKE_CURRENT_BINARY_DIR}/${name}.gz)
  add_custom_command(OUTPUT ${gz}
      COMMAND gzip -9 -n -c ${CMAKE_CURRENT_SOURCE_DIR}/${page} > ${gz}
      DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${page} VERBATIM)
  add_custom_target(man_${name} ALL DEPENDS ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

function(folivane_configure_packages)
  set(CPACK_PACKAGE_NAME folivane)
  set(CPACK_PACKAGE_VENDOR Folivane)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
      "Turns a folder of chapter files into one compiled HTML Help book (.chm)")
  set(CPACK_PACKAGE_CONTACT "Folivane <folivane@localhost>")
  set(CPACK_PACKAGE_CHECKSUM SHA256)
  set(CPACK_STRIP_FILES TRUE)
  if(WIN32)
    set(CPACK_GENERATOR ZIP)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(CPACK_SYSTEM_NAME win64)
    else()
      set(CPACK_SYSTEM_NAME win32)
    endif()
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  else()
    set(CPACK_GENERATOR DEB)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_SECTION text)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    set(CPACK_PACKAGE_DESCRIPTION
        "hhc compiles HTML Help projects (.hhp), such as those that Sphinx and Doxygen write, into .chm books; folivane makes a book from a folder of HTML, MHT and plain text chapters.")
  endif()
  include(CPack)
endfunction()
