#include "platform/last_error.h"

namespace qel::platform {
namespace {
thread_local DWORD t_last_error = ERROR_SUCCESS;
}

DWORD last_error() noexcept { return t_last_error; }
void set_last_error(DWORD code) noexcept { t_last_error = code; }

}  // namespace qel::platform

#include <cerrno>

namespace qel::platform {

DWORD error_from_errno(int err) noexcept {
    switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case EBUSY: return ERROR_SHARING_VIOLATION;
    case ENOSPC: return ERROR_WRITE_FAULT;
    case EIO: return ERROR_GEN_FAILURE;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case ECANCELED: return ERROR_OPERATION_ABORTED;
    case ENOTSUP: return ERROR_NOT_SUPPORTED;
    default: return ERROR_GEN_FAILURE;
    }
}

}  // namespace qel::platform
