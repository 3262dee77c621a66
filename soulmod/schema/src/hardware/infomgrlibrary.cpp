// The hardware seam over the hardware access library's entry points.
#include "hardwarelibrary.h"

#include "imxinfomgrapi.h"

namespace Schema::Hardware {

std::uint32_t initError()
{
    return InfoMgr::getInitError();
}

std::uint32_t openRoot(std::uint32_t rootType, Handle& hRoot)
{
    hRoot = InfoMgr::kNullHandle;
    return InfoMgr::open(InfoMgr::kNullHandle, rootType, &hRoot, 0, 0);
}

std::uint32_t child(Handle hParent, std::uint32_t childType, std::uint32_t index, Handle& hChild)
{
    return InfoMgr::getChild(hParent, childType, index, &hChild, 0, 0);
}

std::uint32_t info(Handle hObject, std::uint32_t kind, void* pBuffer, std::uint32_t size)
{
    std::uint32_t dwSize = size;
    return InfoMgr::getInfo(hObject, kind, 0, pBuffer, &dwSize);
}

std::uint32_t close(Handle hObject)
{
    return InfoMgr::close(hObject);
}

namespace {

std::uint32_t direction(std::uint32_t dwBlockDirection)
{
    return dwBlockDirection == 0 ? InfoMgr::kDirectionRead : InfoMgr::kDirectionWrite;
}

}

std::uint32_t sendBmic(Handle hObject, Core::BmicParameters& parameters)
{
    InfoMgr::BmicRequestRecord request;
    request.bOpcode = parameters.opcode;
    request.dwDetail = parameters.detail;
    request.bLun = parameters.lun;
    request.pBuffer = parameters.pBuffer;
    request.dwBufferSize = parameters.bufferSize;
    request.pSenseBuffer = parameters.pSenseBuffer;
    request.dwSenseLength = parameters.senseLength;
    const std::uint32_t dwResult = InfoMgr::sendCommand(hObject, InfoMgr::kRequestBmic, direction(parameters.direction),
                                                        &request, sizeof request, 0, 0);
    if (dwResult == 0) {
        parameters.scsiStatus = request.bScsiStatus;
        parameters.senseLength = request.dwSenseLength;
        parameters.commandStatus = request.wCommandStatus;
    }
    return dwResult;
}

std::uint32_t sendScsi(Handle hObject, Core::ScsiParameters& parameters)
{
    InfoMgr::ScsiRequestRecord request;
    request.pCdb = parameters.pCdb;
    request.bCdbLength = parameters.cdbLength;
    request.pBuffer = parameters.pBuffer;
    request.dwBufferSize = parameters.bufferSize;
    request.pSenseBuffer = parameters.pSenseBuffer;
    request.dwSenseLength = parameters.senseLength;
    const std::uint32_t dwResult = InfoMgr::sendCommand(hObject, InfoMgr::kRequestScsi, direction(parameters.direction),
                                                        &request, sizeof request, 0, 0);
    if (dwResult == 0) {
        parameters.scsiStatus = request.bScsiStatus;
        parameters.senseLength = request.dwSenseLength;
    }
    return dwResult;
}

}
