# Debian packages through CPack (`make deb`: cpack -G DEB in the build folder):
#   libmurcore0      the runtime component
#   libmurcore-dev   the dev component (header, link, pkg-config, CMake package)
#   murcore-tools    the tools component (mur, manual page, share/murcore)
#   python3-murcore  the python component
# Dependencies on other packages come from dpkg-shlibdeps; the packages
# depend on each other at exactly this version.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME murcore)
set(CPACK_PACKAGE_VENDOR "murcore developers")
set(CPACK_PACKAGE_CONTACT "murcore developers <maintainers@murcore.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL runtime dev tools python)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The library package's shlibs file and ldconfig trigger (CPack's own
# would run ldconfig from maintainer scripts instead).
configure_file(${PROJECT_SOURCE_DIR}/packaging/shlibs.in ${PROJECT_BINARY_DIR}/packaging/shlibs @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/triggers ${PROJECT_BINARY_DIR}/packaging/triggers COPYONLY)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
  ${PROJECT_BINARY_DIR}/packaging/shlibs ${PROJECT_BINARY_DIR}/packaging/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# mur links libmurcore.so.0 of this very build: dpkg-shlibdeps finds it here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/src)

set(mur_exact "(= ${PROJECT_VERSION}-1)")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libmurcore0)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "painting engine of a natural-media paint program
murcore is the painting engine of a natural-media paint program: layers of
16-bit pixels, brushes with grit and paint pick-up, blend modes, masks, undo
and image effects, behind a flat C interface.

This package holds the shared library.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libmurcore-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libmurcore0 ${mur_exact}")
set(CPACK_COMPONENT_DEV_DESCRIPTION "painting engine of a natural-media paint program (development files)
murcore is the painting engine of a natural-media paint program.

This package holds the C header, the link library, the pkg-config file and
the CMake package (find_package(murcore), target murcore::murcore).")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME murcore-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libmurcore0 ${mur_exact}")
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "painting engine of a natural-media paint program (command-line host)
murcore is the painting engine of a natural-media paint program.

This package holds mur, a command-line host that paints a demonstration
document and runs the engine's filters on pictures, and the texture scripts
the engine ships.")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-murcore)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
# The binding reads the installed header at import: it needs libmurcore-dev.
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
  "python3:any, python3-cffi, python3-numpy, libmurcore0 ${mur_exact}, libmurcore-dev ${mur_exact}")
# Python writes bytecode beside the module at import: prerm removes it.
configure_file(${PROJECT_SOURCE_DIR}/packaging/python3-murcore.prerm ${PROJECT_BINARY_DIR}/packaging/python/prerm COPYONLY)
set(CPACK_DEBIAN_PYTHON_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/packaging/python/prerm)
set(CPACK_COMPONENT_PYTHON_DESCRIPTION "painting engine of a natural-media paint program (Python binding)
murcore is the painting engine of a natural-media paint program.

This package holds the murcore Python module: every function of the C
interface through cffi, layers as NumPy arrays and errors as exceptions.")

# Each package's copyright and changelog, as Debian wants them.
set(mur_doc_build ${PROJECT_BINARY_DIR}/packaging)
add_custom_command(OUTPUT ${mur_doc_build}/changelog.Debian.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${mur_doc_build}
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog.Debian > ${mur_doc_build}/changelog.Debian.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog.Debian VERBATIM)
add_custom_target(mur_package_docs ALL DEPENDS ${mur_doc_build}/changelog.Debian.gz)
foreach(component runtime dev tools python)
  string(TOUPPER ${component} upper)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${mur_doc_build}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_DEBIAN_${upper}_PACKAGE_NAME}
    COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()

include(CPack)
