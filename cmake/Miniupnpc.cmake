# miniupnpc, the UPnP client library that the router's port mapping uses.
# Natively Debian's libminiupnpc-dev; for the Windows builds Debian's own
# source package, fetched by scripts/setup-debian.sh into third_party/ and
# built here as a static library with the build's mingw toolchain.
#
# Sets KVEL_UPNP (ON when the library is there) and the target kvel_miniupnpc,
# which brings the headers (included as <miniupnpc.h>), the library and
# MINIUPNP_STATICLIB (or the headers declare the functions as imported).
set(KVEL_UPNP OFF)
add_library(kvel_miniupnpc INTERFACE)
if(WIN32)
  set(KVEL_MINIUPNPC_SOURCE ${CMAKE_SOURCE_DIR}/third_party/miniupnpc-2.2.4
      CACHE PATH "Debian's miniupnpc source, as scripts/setup-debian.sh fetched it")
  if(EXISTS ${KVEL_MINIUPNPC_SOURCE}/CMakeLists.txt)
    set(UPNPC_BUILD_STATIC ON CACHE BOOL "" FORCE)
    set(UPNPC_BUILD_SHARED OFF CACHE BOOL "" FORCE)
    set(UPNPC_BUILD_TESTS OFF CACHE BOOL "" FORCE)
    set(UPNPC_BUILD_SAMPLE OFF CACHE BOOL "" FORCE)
    set(UPNPC_NO_INSTALL ON CACHE BOOL "" FORCE)
    add_subdirectory(${KVEL_MINIUPNPC_SOURCE} ${CMAKE_BINARY_DIR}/miniupnpc EXCLUDE_FROM_ALL)
    # Its snprintf stand-in for mingw discards a value in a comma expression.
    target_compile_options(libminiupnpc-static PRIVATE -Wno-unused-value)
    target_link_libraries(kvel_miniupnpc INTERFACE libminiupnpc-static ws2_32 iphlpapi)
    set(KVEL_UPNP ON)
  endif()
else()
  find_path(KVEL_MINIUPNPC_INCLUDE miniupnpc.h PATH_SUFFIXES miniupnpc)
  find_library(KVEL_MINIUPNPC_LIBRARY NAMES miniupnpc)
  if(KVEL_MINIUPNPC_INCLUDE AND KVEL_MINIUPNPC_LIBRARY)
    target_include_directories(kvel_miniupnpc SYSTEM INTERFACE ${KVEL_MINIUPNPC_INCLUDE})
    target_link_libraries(kvel_miniupnpc INTERFACE ${KVEL_MINIUPNPC_LIBRARY})
    set(KVEL_UPNP ON)
  endif()
endif()
if(KVEL_UPNP)
  target_compile_definitions(kvel_miniupnpc INTERFACE MINIUPNP_STATICLIB KVEL_UPNP=1)
else()
  message(STATUS "No UPnP in this build: miniupnpc is missing (run scripts/setup-debian.sh); "
                 "kvel maps no port on the router and the mapping's tests are skipped")
endif()
