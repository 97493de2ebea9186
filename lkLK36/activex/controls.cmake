# The four controls over their engines (TlkLine, TlkPhone, TlkPlay, TlkRecord): member tables, event
# forwarding and the IStrings adapters. A static library, hidden like the rest of liblkLK36.so.
add_library(lkLK36_controls STATIC
    control_base.cpp
    control_factories.cpp
    istrings.cpp
    lkLineImpl1.cpp
    lkPhoneImpl1.cpp
    lkPlayImpl1.cpp
    lkRecordImpl1.cpp)
target_include_directories(lkLK36_controls PUBLIC ${CMAKE_SOURCE_DIR})
set_target_properties(lkLK36_controls PROPERTIES
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
target_link_libraries(lkLK36_controls PUBLIC lkLK36_activex lkLK36_engines belltale_com)
belltale_warnings(lkLK36_controls)

target_link_libraries(lkLK36 PRIVATE lkLK36_controls lkLK36_engines)

# The controls driven through IDispatch, their events reaching a sink, against the simulated
# exchange in virtual time.
belltale_test(lkLK36_controls_tests
    SOURCES
        tests/controls_test.cpp
        tests/control_events_test.cpp
    LIBS lkLK36_controls belltale_tapi)
