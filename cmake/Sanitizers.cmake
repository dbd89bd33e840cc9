# QUORVEL_SANITIZE=ON builds everything with ASan and UBSan; UBSan findings abort.
if(QUORVEL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
