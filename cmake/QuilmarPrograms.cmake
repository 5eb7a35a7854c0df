# Every program of the build links the board access library at build time and
# finds it at run time through its RUNPATH: beside itself ($ORIGIN), as on
# Windows and in the build tree, then in the package's own folder below the
# install's library folder ($ORIGIN/../lib/quilmar).
#
# That folder is private: the simulated libzkt.so and the proxy stay out of
# the system's library path, where they would shadow or collide with the
# maker's library for every other program on the machine.
#
# One RUNPATH serves both trees, so installing copies the program as it is.
# Editing it at install would need the build tree's RUNPATH padded with
# empty entries, and the loader reads an empty entry as the current
# directory.
include(GNUInstallDirs)
set(QUILMAR_INSTALL_PKGLIBDIR ${CMAKE_INSTALL_LIBDIR}/quilmar)

# Where zkt.pc goes (cmake/QuilmarInstall.cmake). On a multiarch system
# (Debian) pkg-config looks for the file of an architecture's library in
# lib/<multiarch>/pkgconfig, natively and for cross builds alike, and
# lintian warns of one in lib/pkgconfig; the libraries themselves stay in
# the package's own folder above.
if(CMAKE_LIBRARY_ARCHITECTURE AND CMAKE_INSTALL_LIBDIR STREQUAL "lib")
  set(QUILMAR_INSTALL_PKGCONFIGDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/pkgconfig)
else()
  set(QUILMAR_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()

function(quilmar_program target)
  if(WIN32)
    # The Windows zip is flat: the programs and ZKT.dll side by side.
    install(TARGETS ${target} RUNTIME DESTINATION .)
  else()
    set_target_properties(${target} PROPERTIES
      BUILD_WITH_INSTALL_RPATH ON
      INSTALL_RPATH "$ORIGIN:$ORIGIN/../${QUILMAR_INSTALL_PKGLIBDIR}")
    install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endfunction()
