# Run by cpack after it has written the packages (CPACK_POST_BUILD_SCRIPTS):
# writes each .tar.gz and .zip again so that it holds the same entries as
# before in name order, owned by root, its folders with mode 755, its files
# 755 where cpack gave them an execute bit (programs, scripts) and 644
# otherwise, with no host name, user or time zone in it, and, when
# SOURCE_DATE_EPOCH is set, every time equal to it (in a zip, rounded down
# to an even second); packaging/check-package.sh checks that form, and
# packaging.check (tests/packaging) runs this script on small packages as
# cpack leaves them. cpack
# itself adds the entries in the order the file system lists them, which
# differs between file systems, creates the folders with the packer's
# umask, and writes the zip's times as local times. The .deb keeps its
# contents: cpack writes its members in name order, owned by root, with the
# times from SOURCE_DATE_EPOCH; only the modes of its three ar members,
# which cpack takes from the packer's umask, are set to 100644, as dpkg-deb
# writes them.
#
# Needs GNU tar and gzip for the .tar.gz, unzip and zip for the .zip.

# cpack still copies the packages out after a failed script and says they
# were generated: a failure removes them, so that no package of a failed run
# is left to be taken for a good one.
function(quilmar_fail text)
  file(REMOVE ${CPACK_PACKAGE_FILES})
  message(FATAL_ERROR "${text}")
endfunction()

set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(NOT epoch STREQUAL "" AND NOT epoch MATCHES "^[0-9]+$")
  quilmar_fail("SOURCE_DATE_EPOCH is not a number of seconds: '${epoch}'")
endif()
# Times in a zip are written as a date and a time of day without a zone; UTC
# makes them the same for everyone who packs or unpacks here.
set(ENV{TZ} "UTC0")

function(quilmar_run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    quilmar_fail("repacking failed (${result}): ${command}")
  endif()
endfunction()

function(quilmar_find_tool variable name)
  find_program(${variable} ${name})
  if(NOT ${variable})
    quilmar_fail("repacking needs ${name}, which is not installed")
  endif()
endfunction()

# The ar container of a .deb: "!<arch>\n", then per member a 60-byte text
# header (its mode at bytes 40 to 47, its size at 48 to 57) and the member,
# padded to an even length. Each mode field is written over in place.
function(quilmar_set_deb_member_modes deb)
  file(SIZE "${deb}" size)
  set(offset 8)
  while(offset LESS size)
    file(READ "${deb}" header OFFSET ${offset} LIMIT 60)
    string(SUBSTRING "${header}" 48 10 member_size)
    string(STRIP "${member_size}" member_size)
    if(NOT member_size MATCHES "^[0-9]+$")
      quilmar_fail("repacking: ${deb}: no ar member header at byte ${offset}")
    endif()
    math(EXPR mode_at "${offset} + 40")
    quilmar_run(sh -c "printf '100644  ' | dd of=\"$0\" bs=1 seek=$1 conv=notrunc status=none"
      "${deb}" ${mode_at})
    math(EXPR offset "${offset} + 60 + ${member_size} + ${member_size} % 2")
  endwhile()
endfunction()

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(package MATCHES "\\.deb$")
    quilmar_set_deb_member_modes("${package}")
    continue()
  elseif(package MATCHES "\\.tar\\.gz$")
    set(kind tgz)
    quilmar_find_tool(QUILMAR_TAR tar)
    quilmar_find_tool(QUILMAR_GZIP gzip)
  elseif(package MATCHES "\\.zip$")
    set(kind zip)
    quilmar_find_tool(QUILMAR_UNZIP unzip)
    quilmar_find_tool(QUILMAR_ZIP zip)
  else()
    continue()
  endif()

  set(work "${package}.repack")
  set(tree "${work}/tree")
  set(list "${work}/entries")
  set(new "${package}.new")
  file(REMOVE_RECURSE "${work}")
  file(REMOVE "${new}")
  file(MAKE_DIRECTORY "${tree}")

  # Unpacked with their modes and times as cpack gave them.
  if(kind STREQUAL tgz)
    quilmar_run(${QUILMAR_TAR} -x -z -p -f "${package}" -C "${tree}")
  else()
    quilmar_run(${QUILMAR_UNZIP} -q "${package}" -d "${tree}")
  endif()

  # Byte order of the whole path: the same in every locale.
  file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${tree}" "${tree}/*")
  list(SORT entries COMPARE STRING)
  if(NOT entries)
    quilmar_fail("repacking: ${package} holds nothing")
  endif()
  list(JOIN entries "\n" text)
  file(WRITE "${list}" "${text}\n")

  # Folders 755; files 755 when they were executable, else 644: X gives
  # execute to folders and to files that had an execute bit. Links keep
  # theirs (chmod would follow them).
  list(TRANSFORM entries PREPEND "${tree}/" OUTPUT_VARIABLE paths)
  quilmar_run(find "${tree}" -mindepth 1 ! -type l -exec chmod u=rwX,go=rX {} +)

  if(NOT epoch STREQUAL "")
    # A zip keeps times to two seconds, and zip rounds an odd second up,
    # which would put the times after SOURCE_DATE_EPOCH: it gets the even
    # second at or before it.
    set(stamp ${epoch})
    if(kind STREQUAL zip)
      math(EXPR stamp "${epoch} - ${epoch} % 2")
    endif()
    quilmar_run(touch -h -d "@${stamp}" ${paths})
  endif()

  if(kind STREQUAL tgz)
    # gzip -n: no file name and no time in the gzip header.
    execute_process(
      COMMAND ${QUILMAR_TAR} -c -f - --no-recursion --verbatim-files-from -T "${list}"
              --format=gnu --owner=root:0 --group=root:0
      COMMAND ${QUILMAR_GZIP} -9 -n
      WORKING_DIRECTORY "${tree}"
      OUTPUT_FILE "${new}"
      RESULTS_VARIABLE results)
    if(NOT results STREQUAL "0;0")
      quilmar_fail("repacking ${package} failed (tar, gzip: ${results})")
    endif()
  else()
    # -X: no owners and no extra time fields; -y: links stay links. Without
    # -r a folder named in the list is one entry, not its contents again.
    execute_process(COMMAND ${QUILMAR_ZIP} -q -X -y -9 "${new}" -@
      WORKING_DIRECTORY "${tree}" INPUT_FILE "${list}" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      quilmar_fail("repacking ${package} failed (zip: ${result})")
    endif()
  endif()

  file(RENAME "${new}" "${package}")
  file(REMOVE_RECURSE "${work}")
endforeach()
