# One interface target carries the language level, warnings and Qt strictness for every target.
add_library(dormiva_flags INTERFACE)
target_compile_features(dormiva_flags INTERFACE cxx_std_20)
target_compile_options(dormiva_flags INTERFACE -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor)
target_compile_definitions(dormiva_flags INTERFACE
    QT_NO_FOREACH
    QT_NO_URL_CAST_FROM_STRING
    QT_DISABLE_DEPRECATED_BEFORE=0x060400)
if(DORMIVA_WERROR)
    target_compile_options(dormiva_flags INTERFACE -Werror)
endif()
if(DORMIVA_SANITIZE)
    target_compile_options(dormiva_flags INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
        -fno-sanitize-recover=undefined)
    target_link_options(dormiva_flags INTERFACE -fsanitize=address,undefined)
endif()
if(DORMIVA_FUZZ)
    target_compile_options(dormiva_flags INTERFACE -fsanitize=fuzzer-no-link,address,undefined)
    target_link_options(dormiva_flags INTERFACE -fsanitize=address,undefined)
endif()
