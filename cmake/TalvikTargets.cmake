# Common settings for the project's own targets: warnings are errors here, never on third-party
# code.
function(talvik_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
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
