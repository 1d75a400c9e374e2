# GoogleTest for the cross build. Debian installs it for the host only, and its sources in
# /usr/src/googletest (package googletest): the first configure compiles them with this build's
# own toolchain and installs them into a prefix inside the build tree, where find_package finds
# them like any installed package. Delete the prefix to build them again.
set(CLICKMEND_GOOGLETEST_PREFIX ${CMAKE_BINARY_DIR}/googletest-install)

function(clickmend_googletest_step what)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE output ERROR_VARIABLE output
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "GoogleTest from /usr/src/googletest (scripts/install-deps.sh installs "
      "it) did not ${what}:\n${output}")
  endif()
endfunction()

if(NOT EXISTS ${CLICKMEND_GOOGLETEST_PREFIX}/installed.stamp)
  message(STATUS "Building GoogleTest from /usr/src/googletest into ${CLICKMEND_GOOGLETEST_PREFIX}")
  set(build ${CMAKE_BINARY_DIR}/googletest-build)
  file(REMOVE_RECURSE ${build} ${CLICKMEND_GOOGLETEST_PREFIX})
  clickmend_googletest_step(configure ${CMAKE_COMMAND} -S /usr/src/googletest -B ${build}
    -G "${CMAKE_GENERATOR}" -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DCMAKE_INSTALL_PREFIX=${CLICKMEND_GOOGLETEST_PREFIX}
    -Dgtest_disable_pthreads=ON)
  clickmend_googletest_step(build ${CMAKE_COMMAND} --build ${build} --target install -j 2)
  file(TOUCH ${CLICKMEND_GOOGLETEST_PREFIX}/installed.stamp)
endif()
list(APPEND CMAKE_PREFIX_PATH ${CLICKMEND_GOOGLETEST_PREFIX})
