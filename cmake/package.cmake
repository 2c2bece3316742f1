# What gets installed, and the release packages CPack makes of it: two Debian
# packages from the Linux build (wordhex-cli alone from a cross build, which
# has no interactive program), a zip of the two executables and a README from
# each Windows build. The version is the project's, and nothing else's.
set(WORDHEX_MAINTAINER "The wordhex developers <wordhex@example.org>")

set(CPACK_PACKAGE_NAME wordhex)
set(CPACK_PACKAGE_VENDOR "The wordhex developers")
set(CPACK_PACKAGE_CONTACT "${WORDHEX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                               WORLD_READ WORLD_EXECUTE)

if(WIN32)
  set(wordhex_programs wordhex-cli)
  if(TARGET wordhex)
    list(PREPEND wordhex_programs wordhex)
  endif()
  # Flat: the programs need nothing beside them, and the README says so.
  install(TARGETS ${wordhex_programs} RUNTIME DESTINATION .)

  # The 32-bit programs run on either Windows, the 64-bit ones on 64-bit Windows only.
  math(EXPR WORDHEX_WINDOWS_BITS "${CMAKE_SIZEOF_VOID_P} * 8")
  if(WORDHEX_WINDOWS_BITS EQUAL 32)
    set(WORDHEX_WINDOWS "32-bit and 64-bit Windows")
  else()
    set(WORDHEX_WINDOWS "64-bit Windows")
  endif()

  # Notepad reads it with Windows line ends, and as UTF-8 only with a BOM.
  set(readme_template ${CMAKE_SOURCE_DIR}/packaging/README.txt.in)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${readme_template})
  file(READ ${readme_template} readme)
  string(ASCII 239 187 191 utf8_bom)
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/packaging/README.txt CONTENT "${utf8_bom}${readme}" @ONLY
       NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME wordhex-${PROJECT_VERSION}-win${WORDHEX_WINDOWS_BITS})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  # Two Debian packages, so that a build server gets the converter without a
  # desktop: wordhex, the interactive program, and wordhex-cli, which needs
  # the C library alone. Each install rule names the package it goes into.
  include(GNUInstallDirs)
  set(docs ${CMAKE_INSTALL_DATADIR}/doc)
  set(man1 ${CMAKE_INSTALL_MANDIR}/man1)
  set(gz ${CMAKE_BINARY_DIR}/packaging/gz)
  install(TARGETS wordhex-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT wordhex-cli)
  install(FILES ${gz}/wordhex-cli.1.gz DESTINATION ${man1} COMPONENT wordhex-cli)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/wordhex-cli.bash-completion
          DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME wordhex-cli COMPONENT wordhex-cli)
  set(packages wordhex-cli)
  # A build without the interactive program (the cross builds) packages
  # wordhex-cli alone.
  if(TARGET wordhex)
    list(PREPEND packages wordhex)
    install(TARGETS wordhex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT wordhex)
    install(FILES ${gz}/wordhex.1.gz DESTINATION ${man1} COMPONENT wordhex)
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/wordhex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
            COMPONENT wordhex)
    # The offline web page, which `make web` builds into build/web; where none
    # was built, none is installed.
    install(FILES ${CMAKE_BINARY_DIR}/web/wordhex.html DESTINATION ${CMAKE_INSTALL_DATADIR}/wordhex COMPONENT wordhex
            OPTIONAL)
  endif()
  foreach(package ${packages})
    install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${gz}/changelog.gz DESTINATION ${docs}/${package}
            COMPONENT ${package})
  endforeach()

  # The changelog's entry is dated by the commit it is built from, so that
  # the same commit always makes the same package.
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(release_epoch $ENV{SOURCE_DATE_EPOCH})
  else()
    execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
                    OUTPUT_VARIABLE release_epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(release_epoch MATCHES "^[0-9]+$")
    set(saved_epoch "$ENV{SOURCE_DATE_EPOCH}")
    set(ENV{SOURCE_DATE_EPOCH} ${release_epoch})
    string(TIMESTAMP WORDHEX_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
    set(ENV{SOURCE_DATE_EPOCH} "${saved_epoch}")
  else()
    string(TIMESTAMP WORDHEX_RELEASE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
  endif()
  configure_file(${CMAKE_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)

  # Manual pages and the changelog go in compressed as Debian wants them:
  # gzip -9, without the name and time stamp that would make builds differ.
  find_program(GZIP_EXECUTABLE gzip REQUIRED)
  set(compressed)
  foreach(source ${CMAKE_SOURCE_DIR}/docs/man/wordhex.1 ${CMAKE_SOURCE_DIR}/docs/man/wordhex-cli.1
                 ${CMAKE_BINARY_DIR}/packaging/changelog)
    get_filename_component(name ${source} NAME)
    set(copy ${gz}/${name})
    add_custom_command(
      OUTPUT ${copy}.gz
      COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
      COMMAND ${GZIP_EXECUTABLE} -9nf ${copy}
      DEPENDS ${source}
      COMMENT "Compressing ${name}"
      VERBATIM)
    list(APPEND compressed ${copy}.gz)
  endforeach()
  add_custom_target(wordhex_compressed_docs ALL DEPENDS ${compressed})

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL ${packages})
  if(CMAKE_CROSSCOMPILING)
    # Debian's name for the target's architecture, not the host's: arm64 for
    # aarch64-linux-gnu. dpkg-shlibdeps finds the target's C library where
    # multiarch puts it (libc6:arm64), with the symbols that give the version.
    execute_process(COMMAND dpkg-architecture -t${WORDHEX_CROSS_TRIPLET} -qDEB_HOST_ARCH
                    OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT CPACK_DEBIAN_PACKAGE_ARCHITECTURE)
      message(FATAL_ERROR "dpkg-architecture knows no Debian architecture for ${WORDHEX_CROSS_TRIPLET}")
    endif()
  endif()
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
  # CPack puts this summary in front of every package's description unless it
  # is CPack's own default; each package states its own synopsis instead.
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
  set(about "Firmware images in Intel HEX format carry byte load addresses; DSPs,
soft processors, programmers and word-addressed memories want word addresses
instead. The converter rewrites every record's address as a word address,
verifies each input checksum and computes a new one, and passes counts,
record types and data through unchanged. The conversion is strict: the first
damaged record, checksum mismatch or missing end-of-file record stops it, and
no output is left behind.")

  set(CPACK_DEBIAN_WORDHEX_PACKAGE_NAME wordhex)
  # Recommended, not required: the desktop program works alone, but the two
  # were one package until the split, and wordhex-cli costs nothing more
  # than the C library, so upgrades and ordinary installs keep both.
  set(CPACK_DEBIAN_WORDHEX_PACKAGE_RECOMMENDS wordhex-cli)
  set(CPACK_DEBIAN_WORDHEX_DESCRIPTION
      "Intel HEX byte-address to word-address converter (desktop program)
${about}

This package holds wordhex, which asks for the file in the desktop's open
dialog, halves its addresses into 16-bit word addresses and reports a failure
in an error box. The command-line program for
scripts and build pipelines is in the package wordhex-cli.")

  # Where this build has no desktop program (arm64), there is no package to point to.
  set(desktop)
  if(TARGET wordhex)
    set(desktop " The desktop program\nis in the package wordhex.")
  endif()
  set(CPACK_DEBIAN_WORDHEX-CLI_PACKAGE_NAME wordhex-cli)
  set(CPACK_DEBIAN_WORDHEX-CLI_PACKAGE_SOURCE wordhex)
  # wordhex held wordhex-cli's files until the two were split.
  set(split_version 1.2.0)  # the first release in two packages
  set(CPACK_DEBIAN_WORDHEX-CLI_PACKAGE_BREAKS "wordhex (<< ${split_version})")
  set(CPACK_DEBIAN_WORDHEX-CLI_PACKAGE_REPLACES "wordhex (<< ${split_version})")
  set(CPACK_DEBIAN_WORDHEX-CLI_DESCRIPTION
      "Intel HEX byte-address to word-address converter (command line)
${about}

This package holds wordhex-cli, which converts files for scripts and build
pipelines, needs nothing but the C library and says where a damaged file
went wrong. Besides halving into 16-bit word addresses, it turns whole
addresses, type 02 and 04 bases included, into word addresses of 16 to 64
bits, in either byte order, writes the word images that memories load,
converts word addresses back into byte addresses, and checks files without
writing anything.${desktop}")
endif()

include(CPack)
