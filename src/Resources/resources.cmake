# Resources compiled into the program: the hand-written files of
# resources.qrc, the button pictures drawn by tools/icongen and the translation
# catalogues compiled from Languages/*.ts.
#
# They form the object library tq3900res. A static tq3900core attaches its
# objects to every consumer: objects taken from a static library are dropped
# by the linker when nothing refers to them, and a resource's initialiser is
# referred to by nothing. A shared tq3900core holds them itself: a shared
# library keeps every object, and its initialisers run when it is loaded.

set(TQ_RES_DIR ${CMAKE_CURRENT_LIST_DIR})
set(TQ_RES_OUT ${CMAKE_CURRENT_BINARY_DIR}/Resources)
file(MAKE_DIRECTORY ${TQ_RES_OUT})

# Pictures: icongen writes the PNG files and a resource file listing them.
# Offscreen, so that no display is needed; without leak checks, since the
# sanitizer build also instruments the tool and the toolkit keeps some of
# its allocations until exit.
set(TQ_ICONS_QRC ${TQ_RES_OUT}/tq3900_icons.qrc)
add_custom_command(
    OUTPUT ${TQ_ICONS_QRC}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:icongen> ${TQ_RES_OUT} ${TQ_ICONS_QRC}
    DEPENDS icongen
    COMMENT "Drawing the button pictures"
    VERBATIM)

# The test tone: tonegen writes the WAV file; a resource file lists it.
set(TQ_TESTTONE ${TQ_RES_OUT}/Resources/Files/Testtone_300HzFS.wav)
set(TQ_SOUNDS_QRC ${TQ_RES_OUT}/tq3900_sounds.qrc)
file(MAKE_DIRECTORY ${TQ_RES_OUT}/Resources/Files)
add_custom_command(
    OUTPUT ${TQ_TESTTONE}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 $<TARGET_FILE:tonegen> ${TQ_TESTTONE}
    DEPENDS tonegen
    COMMENT "Writing the test tone"
    VERBATIM)
file(CONFIGURE OUTPUT ${TQ_SOUNDS_QRC} CONTENT "<!DOCTYPE RCC>
<RCC version=\"1.0\">
<qresource prefix=\"/\">
    <file>Resources/Files/Testtone_300HzFS.wav</file>
</qresource>
</RCC>
" @ONLY)

# Translation catalogues: every Languages/*.ts becomes Languages/<name>.qm,
# listed under the prefix "/Languages". With no catalogue there is no
# resource file for them.
file(GLOB TQ_TS_FILES CONFIGURE_DEPENDS ${TQ_RES_DIR}/Languages/*.ts)
set(TQ_QM_FILES)
set(TQ_LANGUAGES_QRC)
if(TQ_TS_FILES)
    set_source_files_properties(${TQ_TS_FILES} PROPERTIES OUTPUT_LOCATION ${TQ_RES_OUT}/Languages)
    qt5_add_translation(TQ_QM_FILES ${TQ_TS_FILES})

    # Every language the instrument offers has a catalogue. A language whose
    # translation is not written yet gets the English one under its name, so
    # that no screen shows a raw text key.
    set(TQ_ENGLISH_TS ${TQ_RES_DIR}/Languages/GB_TQ3900.ts)
    if(EXISTS ${TQ_ENGLISH_TS})
        foreach(code GB DE FR IT ES CN CZ HU RU SI JP PL PT RO SK SE FI DK NO BG HR KR RS TR EN)
            if(NOT EXISTS ${TQ_RES_DIR}/Languages/${code}_TQ3900.ts)
                set(qm ${TQ_RES_OUT}/Languages/${code}_TQ3900.qm)
                add_custom_command(
                    OUTPUT ${qm}
                    COMMAND ${Qt5_LRELEASE_EXECUTABLE} -silent ${TQ_ENGLISH_TS} -qm ${qm}
                    DEPENDS ${TQ_ENGLISH_TS}
                    COMMENT "English catalogue for ${code}"
                    VERBATIM)
                list(APPEND TQ_QM_FILES ${qm})
            endif()
        endforeach()
    endif()

    set(TQ_LANGUAGES_QRC ${TQ_RES_OUT}/tq3900_languages.qrc)
    set(qrc "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/Languages\">\n")
    # Kept uncompressed: the translator then reads the catalogue where the
    # program is mapped, with no copy to unpack it into before the first
    # frame (0.7 M instructions for one catalogue).
    foreach(qm ${TQ_QM_FILES})
        get_filename_component(name ${qm} NAME)
        string(APPEND qrc "    <file alias=\"${name}\" compression-algorithm=\"none\">Languages/${name}</file>\n")
    endforeach()
    string(APPEND qrc "</qresource>\n</RCC>\n")
    # Rewritten only when the list changes, so that nothing is rebuilt for
    # an unchanged list.
    file(CONFIGURE OUTPUT ${TQ_LANGUAGES_QRC} CONTENT "${qrc}" @ONLY)
endif()

# The hand-written resource file goes through AUTORCC. The generated ones are
# compiled by explicit rules, whose dependencies name the files they list,
# so that the pictures and catalogues are made before them.
qt5_add_resources(TQ_RES_GENERATED_SOURCES ${TQ_ICONS_QRC} ${TQ_LANGUAGES_QRC} ${TQ_SOUNDS_QRC})

add_library(tq3900res OBJECT
    ${TQ_RES_DIR}/resources.qrc
    ${TQ_RES_GENERATED_SOURCES})
set_target_properties(tq3900res PROPERTIES AUTORCC ON AUTOMOC OFF AUTOUIC OFF)
target_link_libraries(tq3900res PRIVATE Qt5::Core)

if(TQ3900_LIBRARY_TYPE STREQUAL "SHARED")
    set_target_properties(tq3900res PROPERTIES POSITION_INDEPENDENT_CODE ON)
    target_sources(tq3900core PRIVATE $<TARGET_OBJECTS:tq3900res>)
else()
    target_sources(tq3900core INTERFACE $<TARGET_OBJECTS:tq3900res>)
endif()
add_dependencies(tq3900core tq3900res)
