# SPDX-License-Identifier: GPL-3.0-or-later
# Run by CPack on the staged files, after its own strip: takes out the compiler
# notes (.comment, .note) that say which compilers built the objects, as
# Debian's own packages do (dh_strip). Links are left alone: their targets are
# staged too.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS staged)
  if(IS_SYMLINK ${file})
    continue()
  endif()
  file(READ ${file} magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")  # "\177ELF"
    execute_process(COMMAND ${CPACK_QV_STRIP} --remove-section=.comment --remove-section=.note ${file}
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
