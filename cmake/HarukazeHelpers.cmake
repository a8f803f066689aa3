# harukaze_library(NAME DIR DEPS...): a static library of every .cpp directly in DIR.
# Files ending in _avx2.cpp are compiled with AVX2 enabled; callers pick them at run time.
function(harukaze_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    foreach(src IN LISTS sources)
        if(src MATCHES "_avx2\\.cpp$")
            set_source_files_properties(${src} PROPERTIES COMPILE_OPTIONS "-mavx2")
        endif()
    endforeach()
endfunction()
