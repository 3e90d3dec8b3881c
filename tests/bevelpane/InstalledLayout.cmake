# SPDX-License-Identifier: GPL-3.0-or-later
# The program as installed: the build is installed into a scratch prefix, the
# loading tests are put where the programs go, and they must find libbevelpane
# in the private library folder, the only place it is installed.
# Usage: cmake -DBUILD_DIR=... -DPREFIX=... -DLOADER=... -DBINDIR=bin
#              -DLIBDIR=lib -DPRIVATE_LIBDIR=lib/quillvault -P InstalledLayout.cmake
foreach(name BUILD_DIR PREFIX LOADER BINDIR LIBDIR PRIVATE_LIBDIR)
  if(NOT DEFINED ${name})
    message(FATAL_ERROR "${name} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} --component runtime
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Installing into ${PREFIX} failed (${result})")
endif()

file(GLOB private ${PREFIX}/${PRIVATE_LIBDIR}/libbevelpane.so*)
file(GLOB public ${PREFIX}/${LIBDIR}/libbevelpane*)
if(NOT EXISTS ${PREFIX}/${PRIVATE_LIBDIR}/libbevelpane.so.1)
  message(FATAL_ERROR "libbevelpane.so.1 is not in ${PREFIX}/${PRIVATE_LIBDIR} (found: ${private})")
endif()
if(EXISTS ${PREFIX}/${PRIVATE_LIBDIR}/libbevelpane.so)
  message(FATAL_ERROR "A development link libbevelpane.so was installed")
endif()
if(public)
  message(FATAL_ERROR "libbevelpane is in the public library folder: ${public}")
endif()
if(EXISTS ${PREFIX}/${BINDIR}/bevelpane-gallery)
  message(FATAL_ERROR "The gallery, a developer's tool, was installed")
endif()
if(NOT EXISTS ${PREFIX}/${BINDIR}/quillvault)
  message(FATAL_ERROR "quillvault is not in ${PREFIX}/${BINDIR}: not the layout under test")
endif()

# Beside the installed program, as the program itself would look.
file(COPY ${LOADER} DESTINATION ${PREFIX}/${BINDIR})
get_filename_component(loader_name ${LOADER} NAME)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QV_EXPECTED_CONTROL_FOLDER=${PREFIX}/${PRIVATE_LIBDIR}
          ${PREFIX}/${BINDIR}/${loader_name}
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "The loading tests failed in the installed layout (${result})")
endif()
file(REMOVE_RECURSE ${PREFIX})
