# Run by CPack once the files to pack are staged (CPACK_PRE_BUILD_SCRIPTS):
# every staged folder becomes 755. CPack makes the folders of the staging
# tree, and the install makes its own, with the builder's umask; a .deb
# made under umask 077 would lock every user but root out of
# /usr/lib/quilmar, and builders with different umasks would pack
# different bytes. Files keep the modes their install rules give them.
file(GLOB_RECURSE staged_dirs LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*")
foreach(path IN LISTS staged_dirs)
  if(IS_DIRECTORY "${path}" AND NOT IS_SYMLINK "${path}")
    file(CHMOD "${path}" DIRECTORY_PERMISSIONS
      OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endif()
endforeach()
