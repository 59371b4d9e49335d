# Installation of veldconv and the veldgrid library.
#
#   cmake --install build [--prefix DIR]
#
# installs bin/veldconv and bin/veldgrid, the library (static by default, shared with
# -DBUILD_SHARED_LIBS=ON), its headers under include/veldgrid/, the CMake package
# (find_package(veldgrid CONFIG) giving veldgrid::veldgrid), lib/pkgconfig/veldgrid.pc and
# the man pages veldconv.1 and veldgrid.1, and the GDAL driver plugin gdal_VELDAN.so into lib/gdalplugins/
# where it was built. Every installed path is relative to the prefix, so the prefix
# may be chosen at install time.

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The commands report the project's version.
target_compile_definitions(veldconv PRIVATE VELDCONV_VERSION="${PROJECT_VERSION}")
target_compile_definitions(veldgrid_command PRIVATE VELDGRID_VERSION="${PROJECT_VERSION}")

# ---- The library as installed -------------------------------------------------------------

target_compile_features(veldgrid PUBLIC cxx_std_17)

# Position-independent code lets the static library go into a consumer's shared library.
set_target_properties(veldgrid PROPERTIES
  POSITION_INDEPENDENT_CODE ON
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR})

# An installed veldconv finds a shared veldgrid next to it, wherever the prefix is.
file(RELATIVE_PATH VELDGRID_BIN_TO_LIB
     ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(veldconv veldgrid_command PROPERTIES
  INSTALL_RPATH "$ORIGIN/${VELDGRID_BIN_TO_LIB}")

# The library's API, each header with what it includes. The number and text-file helpers of
# the readers and writers (TNumberText.h, TTextFile.h), the VELDAN line scanner
# (TVELDANScanner.h) and the ARC/INFO formatter (TARCGISFormatter.h) stay internal: a new
# header is installed only once it is listed here.
set(VELDGRID_HEADERS
  TARCGISFileTools.h
  TAxis.h
  TAxisTools.h
  TError.h
  TMap.h
  TMapGeometry.h
  TMapPoint.h
  TMapTools.h
  TPoint.h
  TPointTools.h
  TReadFault.h
  TReadOptions.h
  TSafeFile.h
  TSeriesStatistics.h
  TSidecarTools.h
  TStringTools.h
  TVELDANConverter.h
  TVELDANFileTools.h
  TVELDANReader.h
  TVELDANWriter.h
  TVectorTools.h)
set(VELDGRID_HEADER_PATHS)
foreach(Header IN LISTS VELDGRID_HEADERS)
  foreach(Layer IN LISTS VELDGRID_LAYERS)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/src/${Layer}/${Header})
      list(APPEND VELDGRID_HEADER_PATHS ${CMAKE_CURRENT_SOURCE_DIR}/src/${Layer}/${Header})
    endif()
  endforeach()
endforeach()

install(TARGETS veldconv veldgrid_command RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS veldgrid EXPORT veldgridTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${VELDGRID_HEADER_PATHS} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/veldgrid)

# Programs include the headers as <veldgrid/TMap.h>. In the build tree a folder veldgrid of
# links to the installed headers gives the same paths, so projects that add this one as a
# subdirectory include them the same way and see only the installed headers.
set(VELDGRID_BUILD_INCLUDE_DIR ${CMAKE_CURRENT_BINARY_DIR}/include)
file(REMOVE_RECURSE ${VELDGRID_BUILD_INCLUDE_DIR}/veldgrid)
file(MAKE_DIRECTORY ${VELDGRID_BUILD_INCLUDE_DIR}/veldgrid)
foreach(Header IN LISTS VELDGRID_HEADER_PATHS)
  get_filename_component(HeaderName ${Header} NAME)
  file(CREATE_LINK ${Header} ${VELDGRID_BUILD_INCLUDE_DIR}/veldgrid/${HeaderName}
       COPY_ON_ERROR SYMBOLIC)
endforeach()
target_include_directories(veldgrid PUBLIC
  $<BUILD_INTERFACE:${VELDGRID_BUILD_INCLUDE_DIR}>
  $<BUILD_INTERFACE:${VELDGRID_BUILD_INCLUDE_DIR}/veldgrid>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

# ---- CMake package: find_package(veldgrid CONFIG) -----------------------------------------

set(VELDGRID_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/veldgrid)
install(EXPORT veldgridTargets NAMESPACE veldgrid:: DESTINATION ${VELDGRID_CMAKE_DIR})
configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/veldgridConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/veldgridConfig.cmake
  INSTALL_DESTINATION ${VELDGRID_CMAKE_DIR})
write_basic_package_version_file(
  ${CMAKE_CURRENT_BINARY_DIR}/veldgridConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES
  ${CMAKE_CURRENT_BINARY_DIR}/veldgridConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/veldgridConfigVersion.cmake
  DESTINATION ${VELDGRID_CMAKE_DIR})

# ---- pkg-config ---------------------------------------------------------------------------

# The file finds the prefix from its own place (${pcfiledir}), so it stays right when the
# prefix is given at install time.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(VELDGRID_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH VELDGRID_PC_TO_PREFIX
       /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  string(REGEX REPLACE "/$" "" VELDGRID_PC_TO_PREFIX "${VELDGRID_PC_TO_PREFIX}")
  set(VELDGRID_PC_PREFIX "\${pcfiledir}/${VELDGRID_PC_TO_PREFIX}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/veldgrid.pc.in
               ${CMAKE_CURRENT_BINARY_DIR}/veldgrid.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/veldgrid.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# ---- Man page -----------------------------------------------------------------------------

foreach(Command veldconv veldgrid)
  configure_file(${PROJECT_SOURCE_DIR}/doc/${Command}.1.in
                 ${CMAKE_CURRENT_BINARY_DIR}/${Command}.1 @ONLY)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${Command}.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()

# ---- GDAL driver plugin -------------------------------------------------------------------

# GDAL finds it there through GDAL_DRIVER_PATH, or when this directory is GDAL's own plugin
# directory; the plugin finds a shared veldgrid in the directory above.
if(VELDGRID_GDAL_PLUGIN)
  install(TARGETS gdal_VELDAN LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/gdalplugins)
endif()

# ---- Checks -------------------------------------------------------------------------------

if(VELDGRID_BUILD_TESTS)
  target_compile_definitions(veldgrid_tests PRIVATE VELDCONV_VERSION="${PROJECT_VERSION}")
  add_subdirectory(tests/gdal)
endif()
