# The main window's shared procedures: the activity log, speech, sound and the small routines of
# mod_clock. Included by this folder's CMakeLists.txt.
target_sources(vevuzer_app PRIVATE
    activity_log.cpp speech_output.cpp sound.cpp mod_clock.cpp mod_clock_saytime.cpp)
target_link_libraries(vevuzer_app
    PUBLIC belltale_registry belltale_com belltale_speech belltale_winmm belltale_net)

belltale_test(vevuzer_procedures_tests
    SOURCES
        tests/activity_log_test.cpp
        tests/speech_output_test.cpp
        tests/sound_test.cpp
        tests/mod_clock_test.cpp
    LIBS vevuzer_app belltale_speech_testing)
