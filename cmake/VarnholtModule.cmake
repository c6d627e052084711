# SPDX-License-Identifier: MIT
# One module: the library of one folder of the checkout. It sees the headers of its own
# folder and of the modules it links, and no other's: each module's headers are reached
# as "folder/name.h" through an include folder of the module's own, which holds only a
# link to that folder, so that an include the module graph does not allow fails to
# compile. Without symbolic links (Windows without the right to make them) every module
# sees the whole checkout instead, as a build there needs nothing more.
#   varnholt_module(FOLDER [QT] SOURCES... [USES module...] [USES_PRIVATELY target...])
function(varnholt_module folder)
    cmake_parse_arguments(PARSE_ARGV 1 module "" "" "SOURCES;USES;USES_PRIVATELY")
    set(target varnholt_${folder})
    add_library(${target} STATIC ${module_SOURCES})
    set(root ${PROJECT_BINARY_DIR}/modules/${folder})
    file(MAKE_DIRECTORY ${root})
    if(NOT EXISTS ${root}/${folder})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} RESULT linked SYMBOLIC)
    endif()
    if(EXISTS ${root}/${folder})
        target_include_directories(${target} PUBLIC ${root})
    else()
        target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    endif()
    list(TRANSFORM module_USES PREPEND varnholt_)
    target_link_libraries(${target} PUBLIC ${module_USES} PRIVATE ${module_USES_PRIVATELY} varnholt_warnings)
endfunction()
