# Common settings for the project's own targets: warnings are errors here, never on third-party
# code.
#
# Layers are enforced by include paths: a library under src/ exposes only its own folder, under
# its path from src/ (src/protocol as "protocol/..."), through an include root of its own that
# holds a link to that folder. A target sees the folders of what it links and nothing else, so an
# upward include (the protocol including a page header) does not compile.
function(talvik_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
    if(folder MATCHES "^\\.\\." OR folder STREQUAL "")
        return()  # tests, tools, libs, benchmarks: the headers of what they link
    endif()
    set(root ${CMAKE_BINARY_DIR}/include/${target})
    get_filename_component(parent ${root}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    if(NOT EXISTS ${root}/${folder})
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
    endif()
    target_include_directories(${target} PUBLIC ${root})
endfunction()

# talvik_add_library(name [QT] SOURCES ... [LINKS ...])
# QT turns on moc for the target; libraries without it must stay free of Qt.
function(talvik_add_library name)
    cmake_parse_arguments(ARG "QT" "" "SOURCES;LINKS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    talvik_target_defaults(${name})
    if(ARG_QT)
        set_target_properties(${name} PROPERTIES AUTOMOC ON)
    endif()
    if(ARG_LINKS)
        target_link_libraries(${name} PUBLIC ${ARG_LINKS})
    endif()
endfunction()
