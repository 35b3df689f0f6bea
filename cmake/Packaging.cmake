# cmake --install: bin/marklens and bin/marklens-cli (installed by their folders), the data files
# under share/marklens, the desktop entry and the icon. cpack -G DEB packs the same tree under /usr.
install(FILES ${MARKLENS_DATA_FILES} DESTINATION share/marklens)
if(MARKLENS_BUILD_UI)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/marklens.desktop DESTINATION share/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/marklens.png DESTINATION share/icons/hicolor/32x32/apps)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marklens)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Marklens developers")
set(CPACK_PACKAGE_CONTACT "Marklens developers <marklens@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Inspector for web pages open in a running Chromium")
set(CPACK_PACKAGE_DESCRIPTION "Marklens attaches to a live page in Chromium and shows its element tree,
the style values and rules of the selected element, and a picture of the page to point
at elements on; marklens-cli does the same work from the command line.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# The shared libraries the programs link (Qt 6 widgets, pugixml, libpng, the C++ run time) come
# from dpkg-shlibdeps; the Qt platform plug-ins, which the GUI loads at run time, are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(MARKLENS_BUILD_UI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "chromium")
include(CPack)
