# PIXMILL_SANITIZE: "address" (AddressSanitizer + UndefinedBehaviorSanitizer), "thread", or empty.
set(PIXMILL_SANITIZE "" CACHE STRING "Sanitizer build: address, thread or empty")
if(PIXMILL_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(PIXMILL_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
