# The four controls over their engines (TlkLine, TlkPhone, TlkPlay, TlkRecord): member tables, event
# forwarding and the IStrings adapters, part of the server library.
target_sources(lkLK36_activex PRIVATE
    control_base.cpp
    istrings.cpp
    lkLineImpl1.cpp
    lkLineImpl1_members.cpp
    lkPhoneImpl1.cpp
    lkPlayImpl1.cpp
    lkRecordImpl1.cpp)
target_link_libraries(lkLK36_activex PUBLIC lkLK36_engines)

# The controls driven through IDispatch, their events reaching a sink, against the simulated
# exchange in virtual time.
belltale_test(lkLK36_controls_tests
    SOURCES
        tests/controls_test.cpp
        tests/control_events_test.cpp
        tests/line_members_test.cpp
        tests/phone_members_test.cpp
        tests/wave_members_test.cpp
    LIBS lkLK36_activex belltale_tapi)

# A container's view: creation by CLSID through the registry and dlopen, linking only the COM
# runtime, as vevuzer does.
belltale_test(lkLK36_create_tests
    SOURCES tests/create_by_clsid_test.cpp
    LIBS belltale_com belltale_registry ${CMAKE_DL_LIBS})
target_compile_definitions(lkLK36_create_tests PRIVATE LKLK36_LIBRARY="$<TARGET_FILE:lkLK36>")
add_dependencies(lkLK36_create_tests lkLK36)
