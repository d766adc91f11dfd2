# Warning and sanitizer flags shared by every target of ours. Third-party headers
# (Qt, nanoflann) come in as system includes, so their warnings stay out.
add_library(kerfloom_options INTERFACE)
add_library(kerfloom::options ALIAS kerfloom_options)
target_compile_options(kerfloom_options INTERFACE -Wall -Wextra)
# Message contexts mark our own log lines: the headless program lets those
# through to standard error and keeps Qt's chatter out.
target_compile_definitions(kerfloom_options INTERFACE
    QT_DEPRECATED_WARNINGS QT_MESSAGELOGCONTEXT)

if(KERFLOOM_SANITIZE)
    target_compile_options(kerfloom_options INTERFACE
        -fsanitize=${KERFLOOM_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_link_options(kerfloom_options INTERFACE -fsanitize=${KERFLOOM_SANITIZE})
endif()

if(KERFLOOM_BUILD_FUZZ)
    # Coverage feedback from our libraries, not only from the fuzz entry points.
    target_compile_options(kerfloom_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
