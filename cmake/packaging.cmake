# Install rules of the program and its documents (component `program`) and the CPack set-up
# of the Debian package and the Windows zip; see the package presets in CMakePresets.json.
include(GNUInstallDirs)

if(WIN32)
  # The zip's folder holds nthprime.exe, README.txt and the license as LICENSE.txt side by side,
  # both texts with CR LF.
  install(TARGETS nthprime RUNTIME DESTINATION . COMPONENT program)
  configure_file(packaging/windows/README.txt ${CMAKE_BINARY_DIR}/README.txt @ONLY
    NEWLINE_STYLE CRLF)
  configure_file(LICENSE ${CMAKE_BINARY_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt ${CMAKE_BINARY_DIR}/LICENSE.txt DESTINATION .
    COMPONENT program)
else()
  install(TARGETS nthprime RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
  # A stripped install (cmake --install --strip, and the packages) also drops the sections
  # that plain strip keeps and nothing reads at run time: the compilers' .comment and .note.
  install(CODE "if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/nthprime\"
      COMMAND_ERROR_IS_FATAL ANY)
  endif()" COMPONENT program)
  # The manual page and the Debian changelog are installed compressed with gzip -9n, as
  # Debian wants them (no name, no time stamp: the same bytes on every build). Make does not
  # create an output's folder, so the command does.
  find_program(NTHPRIME_GZIP gzip REQUIRED)
  set(compressed)
  foreach(source docs/nthprime.1 packaging/deb/changelog)
    get_filename_component(name ${source} NAME)
    set(output ${CMAKE_BINARY_DIR}/compressed/${name}.gz)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/compressed
      COMMAND ${NTHPRIME_GZIP} -9n -c ${PROJECT_SOURCE_DIR}/${source} > ${output}
      DEPENDS ${PROJECT_SOURCE_DIR}/${source}
      COMMENT "Compressing ${source}" VERBATIM)
    list(APPEND compressed ${output})
  endforeach()
  add_custom_target(compressed_docs ALL DEPENDS ${compressed})
  install(FILES ${CMAKE_BINARY_DIR}/compressed/nthprime.1.gz
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
  install(FILES packaging/deb/copyright ${CMAKE_BINARY_DIR}/compressed/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT program)
  # Lintian rejects a statically linked program unless the package says why it is one.
  if(" ${CMAKE_EXE_LINKER_FLAGS} " MATCHES " -static ")
    install(FILES packaging/deb/lintian-overrides RENAME ${PROJECT_NAME}
      DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides COMPONENT program)
  endif()
endif()

set(CPACK_PACKAGE_NAME nthprime)
set(CPACK_PACKAGE_VENDOR "Seed e7491fed maintainers")
set(CPACK_PACKAGE_CONTACT
  "Seed e7491fed maintainers <maintainers@users.noreply.c-seed-e7491fed.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "print the n-th prime below 2^32")
set(CPACK_PACKAGE_DESCRIPTION
  "nthprime asks for an index n from 1 to 203280221 and prints the n-th prime
below 2^32 with the milliseconds the search took. It sieves nothing at run
time: it walks from the nearer of two built-in checkpoints (exact prime
counts) over the numbers coprime to 30, testing each by trial division.")
# Only the component `program`, also from builds that have the tests on.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};${PROJECT_NAME};program;/")
set(CPACK_STRIP_FILES ON)
# Reproducible packages: cpack sets SOURCE_DATE_EPOCH from the commit and writes in UTC before
# it makes a package, and gives every staged folder rwxr-xr-x, whatever the umask, before it
# archives them (the files have their modes from the install rules).
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack_reproducible.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/cpack_folder_modes.cmake)

# A source package (package_source) leaves out the build folders. The values are written to
# CPackConfig.cmake as they are given here.
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_SOURCE_IGNORE_FILES "/\\.git$" "/\\.git/" "/build/" "/out/")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  # Only the 32-bit program is shipped; the 64-bit build is for tests, and a zip made from it
  # anyway must not pass for the 32-bit one.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
else()
  set(CPACK_GENERATOR DEB)
  # Left alone, CPack labels the package with the build machine's architecture, wrong for a
  # cross build: the label is the compiler's target instead, in Debian's name for it
  # (aarch64-linux-gnu is arm64). Without dpkg-dev a native build keeps CPack's label.
  find_program(NTHPRIME_DPKG_ARCHITECTURE dpkg-architecture)
  if(NTHPRIME_DPKG_ARCHITECTURE)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -dumpmachine
      OUTPUT_VARIABLE compiler_target OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    # -f: the target decides, not a DEB_HOST_ARCH left in the environment. Its warning that
    # clang's x86_64-pc-linux-gnu is not Debian's own name for amd64 is shown only on failure.
    execute_process(COMMAND ${NTHPRIME_DPKG_ARCHITECTURE} -f -t ${compiler_target} -q DEB_HOST_ARCH
      OUTPUT_VARIABLE CPACK_DEBIAN_PACKAGE_ARCHITECTURE OUTPUT_STRIP_TRAILING_WHITESPACE
      ERROR_VARIABLE error RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR
        "no Debian architecture for the compiler's target ${compiler_target}: ${error}")
    endif()
  elseif(CMAKE_CROSSCOMPILING)
    message(WARNING "dpkg-architecture (dpkg-dev) not found: a Debian package of this cross "
      "build would be labelled with this machine's architecture")
  endif()
endif()
include(CPack)
