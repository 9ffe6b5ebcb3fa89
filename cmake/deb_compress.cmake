# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on the tree it has installed for a
# package, before it packs it: gzips the manual pages and the change log, as
# Debian keeps them (at the highest level, with no name or time stamp in
# the header, so the same files give the same bytes).
find_program(gzip gzip REQUIRED)
file(GLOB_RECURSE compress
  ${CPACK_TEMPORARY_DIRECTORY}/*/share/man/man*/*.[1-9]
  ${CPACK_TEMPORARY_DIRECTORY}/*/share/doc/*/changelog)
foreach(file ${compress})
  execute_process(COMMAND ${gzip} -9nf ${file} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
