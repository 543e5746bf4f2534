# -DSANITIZE=address,undefined or -DSANITIZE=thread, applied to everything built here.
# -DTALVIK_BUILD_FUZZ=ON (clang only) builds everything with coverage for libFuzzer under the
# address and undefined-behaviour checks; the fuzz targets add the fuzzer's own main.
if(TALVIK_BUILD_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "TALVIK_BUILD_FUZZ needs clang (libFuzzer); configure with "
                            "-DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14")
    endif()
    if(SANITIZE)
        message(FATAL_ERROR "TALVIK_BUILD_FUZZ brings its own sanitizers; leave SANITIZE empty")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
    message(STATUS "Fuzz build: libFuzzer coverage, address and undefined sanitizers")
elseif(SANITIZE)
    if(SANITIZE MATCHES "thread" AND SANITIZE MATCHES "address")
        message(FATAL_ERROR "SANITIZE: thread cannot be combined with address")
    endif()
    set(_san_flags -fsanitize=${SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_compile_options(${_san_flags})
    add_link_options(-fsanitize=${SANITIZE})
    message(STATUS "Sanitizers: ${SANITIZE}")
endif()
