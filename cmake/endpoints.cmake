# Build-time hosts and account values. The defaults are placeholders under
# the reserved .example domain: a release build names the real services and
# the storage account with -D on the cmake command line.

set(SONIVANE_HOST_MUSIC_SEARCH "music-search.sonivane.example" CACHE STRING "Host of the music search service")
set(SONIVANE_HOST_MP3_FILES "music-files.sonivane.example" CACHE STRING "Host of the music file server")
set(SONIVANE_HOST_BGM_LIST "bgm-list.sonivane.example" CACHE STRING "Host of the background-music list service")
set(SONIVANE_HOST_ALT_STREAM "stream-alt.sonivane.example" CACHE STRING "Host of the alternative stream server")
set(SONIVANE_HOST_PUBLIC_DOWNLOAD "files.storage.sonivane.example" CACHE STRING "Public download host of the storage bucket")
set(SONIVANE_HOST_STORAGE_PORTAL "portal.storage.sonivane.example" CACHE STRING "Host of the storage provider's portal (HTTPS)")
set(SONIVANE_HOST_UPLOAD_ENDPOINT "upload.storage.sonivane.example" CACHE STRING "Host of the storage upload endpoint (HTTPS)")
set(SONIVANE_STREAM_HOST_FRAGMENT "streams.music-demo" CACHE STRING
    "Host of the music service's stream server without its final .com (18 bytes)")
set(SONIVANE_STORAGE_EMAIL "sv4827@mail.cn" CACHE STRING "E-mail address of the storage account (14 characters)")
set(SONIVANE_STORAGE_PASSWORD "1234567" CACHE STRING "Password of the storage account (7 digits)")
set(SONIVANE_STORAGE_UPLOAD_TOKEN
    "sonivane-demo-upload-access-key-00000001:c29uaXZhbmUtZGVtby1zaWduISE=:eyJzY29wZSI6InFxNDgyNzE1MCIsImRlYWRsaW5lIjoxODkzNDU2MDAwLCJkZW1vIjoic29uaXZhbmUh"
    CACHE STRING "Upload token of the storage bucket (access key:signature:policy, 150 characters)")

foreach(host_variable
        SONIVANE_HOST_MUSIC_SEARCH SONIVANE_HOST_MP3_FILES SONIVANE_HOST_BGM_LIST SONIVANE_HOST_ALT_STREAM
        SONIVANE_HOST_PUBLIC_DOWNLOAD SONIVANE_HOST_STORAGE_PORTAL SONIVANE_HOST_UPLOAD_ENDPOINT)
    if(NOT "${${host_variable}}" MATCHES "^[A-Za-z0-9.-]+(:[0-9]+)?$")
        message(FATAL_ERROR "${host_variable} must be a host name, optionally with :port")
    endif()
endforeach()

string(LENGTH "${SONIVANE_STREAM_HOST_FRAGMENT}" fragment_length)
string(LENGTH "${SONIVANE_STORAGE_EMAIL}" email_length)
string(LENGTH "${SONIVANE_STORAGE_UPLOAD_TOKEN}" token_length)
if(NOT fragment_length EQUAL 18)
    message(FATAL_ERROR "SONIVANE_STREAM_HOST_FRAGMENT must be 18 bytes long")
endif()
if(NOT email_length EQUAL 14 OR SONIVANE_STORAGE_EMAIL MATCHES "[\"\\\\]")
    message(FATAL_ERROR "SONIVANE_STORAGE_EMAIL must be 14 characters")
endif()
if(NOT SONIVANE_STORAGE_PASSWORD MATCHES "^[0-9][0-9][0-9][0-9][0-9][0-9][0-9]$")
    message(FATAL_ERROR "SONIVANE_STORAGE_PASSWORD must be 7 decimal digits")
endif()
if(NOT token_length EQUAL 150 OR NOT SONIVANE_STORAGE_UPLOAD_TOKEN MATCHES "^[A-Za-z0-9-]+:[A-Za-z0-9+/=]+:[A-Za-z0-9+/=]+$")
    message(FATAL_ERROR "SONIVANE_STORAGE_UPLOAD_TOKEN must be 150 characters: access key:signature:policy")
endif()
