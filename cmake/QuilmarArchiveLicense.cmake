# Run by CPack once the files to pack are staged (CPACK_PRE_BUILD_SCRIPTS):
# the .tar.gz carries LICENSE at its top, beside bin/, lib/ and share/, as
# the Windows zip does beside README.txt. The .deb does not: Debian wants
# the licence in the package's copyright file only
# (share/doc/quilmar/copyright, which holds the same text in Debian's
# form), and lintian reports any other licence file. Mode 644 whatever the
# mode of the file in the checkout, as the install rules give every file.
if(CPACK_GENERATOR STREQUAL "TGZ")
  file(COPY "${CPACK_QUILMAR_LICENSE}" DESTINATION "${CPACK_TEMPORARY_DIRECTORY}"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()
