# Run by CPack once the files to pack are staged (CPACK_PRE_BUILD_SCRIPTS):
# the .deb's Depends, computed by dpkg-shlibdeps (package dpkg-dev) from what
# the packed programs and libraries link, never typed by hand.
#
# CPack's own dpkg-shlibdeps step (CPACK_DEBIAN_PACKAGE_SHLIBDEPS) stays off:
# it comes with ldconfig calls in postinst and postrm whenever a library
# lies one folder below /usr/lib, as the package's private folder does. The
# loader's cache never looks there, and Debian wants no such call.
include(${CMAKE_CURRENT_LIST_DIR}/script_arguments.cmake)
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

set(root "${CPACK_TEMPORARY_DIRECTORY}")
set(private_dir "${root}${CPACK_PACKAGING_INSTALL_PREFIX}/${CPACK_QUILMAR_PKGLIBDIR}")

# Every ELF file of the package, by its magic number.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${root}/*")
list(SORT staged)
set(binaries "")
foreach(file IN LISTS staged)
  if(NOT IS_SYMLINK "${file}")
    file(READ "${file}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
      list(APPEND binaries "${file}")
    endif()
  endif()
endforeach()
if(NOT binaries)
  message(FATAL_ERROR "QuilmarDebDepends: no program or library in ${root}")
endif()

find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
if(NOT DPKG_SHLIBDEPS)
  message(FATAL_ERROR "the .deb's dependencies need dpkg-shlibdeps (package dpkg-dev)")
endif()
# dpkg-shlibdeps wants to run in a source package: an empty debian/control.
set(scratch "${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps")
file(REMOVE_RECURSE "${scratch}")
file(WRITE "${scratch}/debian/control" "")
# The package's own libraries lie in its private folder (-l); they need no
# dependency of their own.
run_and_expect(substvars "(^|\n)shlibs:Depends=([^\n]+)" "dependencies"
  COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C
          ${DPKG_SHLIBDEPS} -O "-l${private_dir}" ${binaries}
  WORKING_DIRECTORY "${scratch}")
file(REMOVE_RECURSE "${scratch}")
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_2}")
message(STATUS "QuilmarDebDepends: Depends: ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
