# harukaze_library(NAME DIR DEPS...): a static library of every .cpp directly in DIR.
# On x86-64 targets files ending in _avx2.cpp are compiled with AVX2 enabled; callers pick them at
# run time. Other targets compile them without it, and they then hold nothing (their sources test
# __AVX2__), as files for other instruction sets do on x86.
string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" harukaze_processor)
if(harukaze_processor MATCHES "^(x86_64|amd64|x64)$")
    set(HARUKAZE_TARGET_X86_64 ON)
else()
    set(HARUKAZE_TARGET_X86_64 OFF)
endif()

function(harukaze_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    if(HARUKAZE_TARGET_X86_64)
        foreach(src IN LISTS sources)
            if(src MATCHES "_avx2\\.cpp$")
                set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-mavx2")
            endif()
        endforeach()
    endif()
endfunction()
