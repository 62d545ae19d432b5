# Installation and the Debian package (`cpack -G DEB` in the build folder, scripts/package).
include(GNUInstallDirs)
install(TARGETS cochlex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
add_subdirectory(packaging)
# The sample model generator goes with the program: an installed viewer needs a model to read.
if(TARGET cochlex-sample-model)
  install(TARGETS cochlex-sample-model RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# Teachers make their own models from segmentations with it.
if(TARGET cochlex-make-model)
  install(TARGETS cochlex-make-model RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Debian package: `cpack -G DEB` in the build folder (scripts/package).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME cochlex)
set(CPACK_PACKAGE_CONTACT "Cochlex maintainers <cochlex@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Interactive 3-D viewer for teaching middle ear anatomy")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "A student rotates, pans and zooms a teaching model of the incudostapedial joint, "
  "shows or hides each structure, moves three section images through a voxel volume and "
  "cuts the structures at the section planes. Includes cochlex-sample-model, which writes "
  "a sample teaching model, and cochlex-make-model, which makes a teaching model from a "
  "segmentation (label map, CT and colour table, or surfaces).")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
find_program(COCHLEX_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(COCHLEX_DPKG_SHLIBDEPS)
  # The library packages the binaries link against, with their versions.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libvtk9.1, libvtk9.1-qt, libqt5widgets5, libqt5gui5, libqt5core5a, libgl1, libtbb12, libbz2-1.0, libstdc++6, libgcc-s1, libc6")
endif()
# The controls are laid out for Arial's widths: Liberation Sans stands in for it (DejaVu Sans, a
# fresh machine's only face, is wider).
if(CPACK_DEBIAN_PACKAGE_DEPENDS)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", fonts-liberation2 | fonts-liberation")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2 | fonts-liberation")
endif()
# The audio guides open in the desktop's player through xdg-open.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
