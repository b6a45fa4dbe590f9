# Conventions shared by every subsystem folder:
#   <dir>/*.cpp                   -> static library <name>
#   <dir>/tests/unit/*.cpp        -> <name>_unit_tests         (label "unit")
#   <dir>/tests/integration/*.cpp -> <name>_integration_tests  (label "integration")
#   <dir>/tests/gui/*.cpp         -> <name>_gui_tests          (label "gui")
# Test support lives in testing/, benchmarks in bench/, fuzz targets in fuzz/.
# Globbing keeps folder CMakeLists small; CONFIGURE_DEPENDS picks up new files on rebuild.

function(ata_library name dir)
    file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
    if(srcs)
        add_library(${name} STATIC ${srcs})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${ARGN})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARGN})
    endif()
endfunction()

# ata_tests(<name> <dir> <kind> libs...): kind is unit, integration or gui.
function(ata_tests name dir kind)
    file(GLOB srcs CONFIGURE_DEPENDS ${dir}/tests/${kind}/*.cpp)
    if(NOT srcs)
        return()
    endif()
    set(target ${name}_${kind}_tests)
    add_executable(${target} ${srcs})
    target_link_libraries(${target} PRIVATE ${ARGN} ata_testing GTest::gmock GTest::gtest)
    if(NOT ATA_CUSTOM_TEST_MAIN_${target})
        target_link_libraries(${target} PRIVATE GTest::gtest_main)
    endif()
    gtest_discover_tests(${target}
        DISCOVERY_TIMEOUT 60
        PROPERTIES LABELS ${kind} TIMEOUT 300)
endfunction()
