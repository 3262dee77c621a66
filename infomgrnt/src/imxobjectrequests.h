// What the device objects ask of their transports: the controller name, the
// information records, drive and remote discovery, and request records turned
// into transport calls. Each call creates the transport for the record's
// command type and releases it before returning.
#ifndef TSM_INFOMGRNT_IMXOBJECTREQUESTS_H
#define TSM_INFOMGRNT_IMXOBJECTREQUESTS_H

#include "imxinfomgrapi.h"
#include "imxobjectessentialdata.h"

#include <cstdint>
#include <memory>
#include <string>

namespace InfoMgr {

// Byte order in which an object passes a BMIC request's detail value to the
// transport's command block.
enum DetailOrder { eDETAIL_MSB_FIRST, eDETAIL_LSB_FIRST };

// CISS and Fibre Channel objects pass the detail most significant byte
// first, I2O and legacy objects least significant byte first.
DetailOrder detailOrderFor(CommandType eCommandType);

// The controller serial number: BMIC 0x66 sent to the object, the
// zero-terminated text at offset 44 of the reply; empty when that fails.
std::string readControllerName(const SchemaObjectEssentialData& record);

// Kind 1: the bus information record followed by the name text.
std::uint32_t readBusInformation(const SchemaObjectEssentialData& record, const std::string& name, void* pBuffer,
                                 std::uint32_t* pdwSize);
// Kind 2: the Fibre Channel identity record.
std::uint32_t readFibreIdentity(const SchemaObjectEssentialData& record, void* pBuffer, std::uint32_t* pdwSize);
// Kind 4: the address bytes.
std::uint32_t readAddress(const SchemaObjectEssentialData& record, void* pBuffer, std::uint32_t* pdwSize);
// Kind 5: the controller status byte.
std::uint32_t readControllerStatus(const SchemaObjectEssentialData& record, void* pBuffer, std::uint32_t* pdwSize);
// Kind 6: the remote identity record with the address bytes and, for a
// record of kind 3, the name text.
std::uint32_t readRemoteIdentity(const SchemaObjectEssentialData& record, const std::string& name, void* pBuffer,
                                 std::uint32_t* pdwSize);

// Appends the records of the children of eChildType (logical drives,
// physical drives or remote controllers) found through the object's transport.
void discoverObjectChildren(const SchemaObjectEssentialData& record, INFOMGR_OBJECT_TYPE eChildType,
                            EssentialDataList& children);

class InfoMgrSchemaObject;

// The object for a discovered drive or remote-device record; null for a
// record of another type or of the wrong class.
std::unique_ptr<InfoMgrSchemaObject> makeDeviceObject(std::unique_ptr<SchemaObjectEssentialData> pRecord);

// Turns a BMIC (0x8001) or SCSI (0x8002) request record into the transport's
// send call and writes the out-values back into the record.
std::uint32_t sendObjectCommand(const SchemaObjectEssentialData& record, DetailOrder eDetailOrder,
                                std::uint32_t dwRequestType, std::uint32_t dwDirection, void* pRequest,
                                std::uint32_t dwRequestSize);

}

#endif
