# The seams behind the support services: HTTPS on libcurl, digests and Base64
# on OpenSSL, Authenticode through osslsigncode, stored ZIP on libzip. A
# Windows side would be chosen here.
find_package(CURL REQUIRED)
find_package(OpenSSL REQUIRED)
find_package(PkgConfig REQUIRED)
if(NOT TARGET PkgConfig::CORVANA_LIBZIP)
  pkg_check_modules(CORVANA_LIBZIP REQUIRED IMPORTED_TARGET GLOBAL libzip)
endif()
corvana_layer(corvana_platform_services
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/linux/CurlHttpClient.cpp
    ${CMAKE_CURRENT_LIST_DIR}/linux/LibzipStoredZip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/linux/OpenSslCrypto.cpp
    ${CMAKE_CURRENT_LIST_DIR}/linux/OsslSigncodeVerifier.cpp
    ${CMAKE_CURRENT_LIST_DIR}/linux/PosixPrivateFiles.cpp
)
target_link_libraries(corvana_platform_services PRIVATE CURL::libcurl OpenSSL::Crypto PkgConfig::CORVANA_LIBZIP)
