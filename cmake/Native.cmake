# The native build compiles the portable code with clang under AddressSanitizer
# and UBSan, so its tests catch over-reads and undefined behaviour fast.
set(VISTREL_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
option(VISTREL_SANITIZERS "Build the native code with ASan and UBSan" ON)
if(VISTREL_SANITIZERS)
  add_compile_options(${VISTREL_SANITIZE})
  add_link_options(${VISTREL_SANITIZE})
endif()
