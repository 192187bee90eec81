# What `cmake --install` puts under the prefix, by component:
#   runtime  libmurcore.so.0 (with its full version)
#   dev      murcore.h, the libmurcore.so link, murcore.pc, the CMake package,
#            share/murcore/examples (the example hosts)
#   tools    mur, its manual page, share/murcore/textures (texture scripts),
#            share/murcore/lua (example filter scripts)
#   python   the murcore Python package, share/murcore/examples/python
# Every path inside an installed file is relative to where that file lies,
# so a prefix can be moved after installing.
include(CMakePackageConfigHelpers)

set(MUR_CMAKE_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/murcore)
set(MUR_SHARE_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/murcore)
set(MUR_PYTHON_INSTALL_DIR lib/python3/dist-packages CACHE STRING
    "Where the Python package goes, relative to the prefix")

# A relative path from one folder under the prefix to another.
function(mur_relative_path out from to)
  file(RELATIVE_PATH rel /prefix/${from} /prefix/${to})
  string(REGEX REPLACE "/+$" "" rel "${rel}")
  if(rel STREQUAL "")
    set(rel .)
  endif()
  set(${out} ${rel} PARENT_SCOPE)
endfunction()

# Library.
install(TARGETS murcore EXPORT murcoreTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev)
install(FILES ${PROJECT_SOURCE_DIR}/include/murcore.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT dev)

# pkg-config: the prefix is found from where murcore.pc lies.
mur_relative_path(MUR_PC_TO_PREFIX ${CMAKE_INSTALL_LIBDIR}/pkgconfig "")
configure_file(${PROJECT_SOURCE_DIR}/cmake/murcore.pc.in ${PROJECT_BINARY_DIR}/murcore.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/murcore.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)

# CMake package: find_package(murcore) gives murcore::murcore.
install(EXPORT murcoreTargets NAMESPACE murcore:: DESTINATION ${MUR_CMAKE_INSTALL_DIR} COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/murcoreConfig.cmake.in
  ${PROJECT_BINARY_DIR}/murcoreConfig.cmake INSTALL_DESTINATION ${MUR_CMAKE_INSTALL_DIR})
# One soname per major version: a package of another major version is refused.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/murcoreConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/murcoreConfig.cmake ${PROJECT_BINARY_DIR}/murcoreConfigVersion.cmake
  DESTINATION ${MUR_CMAKE_INSTALL_DIR} COMPONENT dev)

# The command-line host, its manual page and the engine's shared files. The
# build tree mirrors share/murcore beside tools/ so that a built mur finds the
# files where an installed one does: <bin>/../share/murcore.
mur_relative_path(MUR_BIN_TO_SHARE ${CMAKE_INSTALL_BINDIR} ${MUR_SHARE_INSTALL_DIR})
mur_relative_path(MUR_BIN_TO_LIB ${CMAKE_INSTALL_BINDIR} ${CMAKE_INSTALL_LIBDIR})
foreach(kind textures lua)
  file(GLOB mur_share_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/share/${kind}/*)
  foreach(f ${mur_share_files})
    get_filename_component(name ${f} NAME)
    configure_file(${f} ${PROJECT_BINARY_DIR}/share/murcore/${kind}/${name} COPYONLY)
  endforeach()
endforeach()
if(TARGET mur)
  target_compile_definitions(mur PRIVATE MUR_SHARE_RELATIVE="${MUR_BIN_TO_SHARE}")
  set_target_properties(mur PROPERTIES INSTALL_RPATH "$ORIGIN/${MUR_BIN_TO_LIB}")
  install(TARGETS mur RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/share/textures ${PROJECT_SOURCE_DIR}/share/lua
          DESTINATION ${MUR_SHARE_INSTALL_DIR} COMPONENT tools)
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/man/mur.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/tools/mur/mur.1 > ${PROJECT_BINARY_DIR}/man/mur.1.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/mur/mur.1 VERBATIM)
  add_custom_target(mur_manpage ALL DEPENDS ${PROJECT_BINARY_DIR}/man/mur.1.gz)
  install(FILES ${PROJECT_BINARY_DIR}/man/mur.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
endif()

# The wheel's version is the project's.
file(STRINGS ${PROJECT_SOURCE_DIR}/python/pyproject.toml mur_wheel_version REGEX "^version = ")
if(NOT mur_wheel_version STREQUAL "version = \"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "python/pyproject.toml says ${mur_wheel_version}, the project is ${PROJECT_VERSION}")
endif()

# The example hosts, and the Python example with the Python package.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${MUR_SHARE_INSTALL_DIR}/examples COMPONENT dev)

# The Python package, told where the header and the library lie relative to it.
if(MUR_INSTALL_PYTHON)
  set(pkg ${MUR_PYTHON_INSTALL_DIR}/murcore)
  mur_relative_path(MUR_PY_TO_HEADER ${pkg} ${CMAKE_INSTALL_INCLUDEDIR})
  mur_relative_path(MUR_PY_TO_LIB ${pkg} ${CMAKE_INSTALL_LIBDIR})
  configure_file(${PROJECT_SOURCE_DIR}/python/murcore/_installed.py.in
    ${PROJECT_BINARY_DIR}/python/_installed.py @ONLY)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/murcore DESTINATION ${MUR_PYTHON_INSTALL_DIR}
    COMPONENT python FILES_MATCHING PATTERN "*.py" PATTERN "__pycache__" EXCLUDE)
  install(FILES ${PROJECT_BINARY_DIR}/python/_installed.py DESTINATION ${pkg} COMPONENT python)
  install(FILES ${PROJECT_SOURCE_DIR}/python/examples/paint.py
    DESTINATION ${MUR_SHARE_INSTALL_DIR}/examples/python COMPONENT python)
endif()
