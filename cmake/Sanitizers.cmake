# AddressSanitizer and UBSan over the whole build (scripts/test --sanitize).
if(COCHLEX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  # Mesa unloads its GL driver when the X connection closes, before the leak check runs at exit;
  # the driver's caches would then look leaked, with unreadable stacks. Preloading the driver
  # keeps it mapped. The sanitizer runtime must come first in a preload list.
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libasan.so
    OUTPUT_VARIABLE COCHLEX_ASAN_RUNTIME OUTPUT_STRIP_TRAILING_WHITESPACE)
  find_file(COCHLEX_MESA_DRIVER swrast_dri.so
    PATHS /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE}/dri /usr/lib/dri NO_DEFAULT_PATH)
  if(COCHLEX_MESA_DRIVER)
    # A shared runtime (GCC's) must be listed; a static one (Clang's) is in the executables.
    if(IS_ABSOLUTE "${COCHLEX_ASAN_RUNTIME}" AND EXISTS "${COCHLEX_ASAN_RUNTIME}")
      set(COCHLEX_SANITIZER_TEST_ENVIRONMENT "LD_PRELOAD=${COCHLEX_ASAN_RUNTIME} ${COCHLEX_MESA_DRIVER}")
    else()
      set(COCHLEX_SANITIZER_TEST_ENVIRONMENT "LD_PRELOAD=${COCHLEX_MESA_DRIVER}")
    endif()
  endif()
endif()
