# CPack post-build script: CPack adds postinst and postrm that run ldconfig to any package
# with shared objects in a folder under /usr/lib, private ones included. The package's
# modules are not on the library path, so those scripts are dropped: the package then
# has no maintainer scripts and leaves nothing behind when removed.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "\\.deb$")
    continue()
  endif()
  set(tree ${deb}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND dpkg-deb -R ${deb} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  foreach(script postinst postrm)
    set(path ${tree}/DEBIAN/${script})
    if(EXISTS ${path})
      file(STRINGS ${path} lines)
      list(FILTER lines EXCLUDE REGEX "^(#!/bin/sh|set -e|if \\[ \"\\$1\" = \"(configure|remove)\" \\]; then|[ \t]*ldconfig|fi|)$")
      if(lines)
        message(FATAL_ERROR "${script} does more than run ldconfig: ${lines}")
      endif()
      file(REMOVE ${path})
    endif()
  endforeach()
  execute_process(COMMAND dpkg-deb --root-owner-group -b ${tree} ${deb}
    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE ${tree})
endforeach()
