# Version values of the program, fixed at configure time (what a version resource carries on Windows).
# The time stamp is the last commit's (or SOURCE_DATE_EPOCH's), so a configure with nothing changed
# leaves the generated header as it was and rebuilds nothing; it also makes builds reproducible.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
    find_package(Git QUIET)
    if(GIT_FOUND)
        execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
            WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
            OUTPUT_VARIABLE dormiva_commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
            RESULT_VARIABLE dormiva_git_result ERROR_QUIET)
        if(dormiva_git_result EQUAL 0 AND dormiva_commit_time MATCHES "^[0-9]+$")
            set(ENV{SOURCE_DATE_EPOCH} ${dormiva_commit_time})
        endif()
    endif()
endif()
string(TIMESTAMP DORMIVA_BUILD_TIMESTAMP "%Y-%m-%dT%H:%M:%S" UTC)
set(DORMIVA_COMPANY "Vardolin")
set(DORMIVA_PRODUCT "Dormiva")
set(DORMIVA_INTERNAL_NAME "dormiva")
# The host of the maker's web pages (home, support, feedback, updates); empty hides those commands.
set(DORMIVA_WEB_HOST "www.vardolin.example" CACHE STRING "Host of the web pages the Help menu opens; empty hides them")
if(CMAKE_BUILD_TYPE STREQUAL "Debug")
    set(DORMIVA_FILE_FLAGS 1)
else()
    set(DORMIVA_FILE_FLAGS 0)
endif()
# configure_file rewrites the header only when its content changes.
configure_file(${CMAKE_CURRENT_LIST_DIR}/DormivaVersion.h.in ${CMAKE_BINARY_DIR}/generated/DormivaVersion.h @ONLY)
