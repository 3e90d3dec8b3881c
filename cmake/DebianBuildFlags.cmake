# SPDX-License-Identifier: GPL-3.0-or-later
# Debian's compiler and linker flags, as its own packages are built with them:
# dpkg-buildflags with every hardening feature (stack protector, fortified
# functions, read-only relocations bound at start, position-independent
# executables). The release and package presets turn it on; the test preset
# keeps its sanitizers instead, which fortified functions would get in the way of.
option(QV_DEBIAN_BUILD_FLAGS "Compile and link with the flags of dpkg-buildflags (hardening)" OFF)

if(QV_DEBIAN_BUILD_FLAGS)
  if(QV_SANITIZE)
    message(FATAL_ERROR "QV_DEBIAN_BUILD_FLAGS and QV_SANITIZE do not go together: fortified functions hide "
                        "the accesses AddressSanitizer checks")
  endif()
  find_program(QV_DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
  # What the caller asked for (DEB_BUILD_MAINT_OPTIONS, DEB_CXXFLAGS_APPEND...) still counts.
  set(qv_maint_options "hardening=+all $ENV{DEB_BUILD_MAINT_OPTIONS}")
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    # From the source folder, so that -ffile-prefix-map makes the file names in the
    # binaries relative to it, whoever built them where.
    execute_process(
      COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=${qv_maint_options}" ${QV_DPKG_BUILDFLAGS} --get ${kind}
      WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
      OUTPUT_VARIABLE qv_flags
      OUTPUT_STRIP_TRAILING_WHITESPACE
      COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(qv_flags UNIX_COMMAND "${qv_flags}")
    if(kind STREQUAL "LDFLAGS")
      add_link_options(${qv_flags})
    else()
      add_compile_options(${qv_flags})
    endif()
    message(STATUS "Debian ${kind}: ${qv_flags}")
  endforeach()
endif()
