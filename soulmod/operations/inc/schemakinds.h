// The device kinds the operations visit and create.
#ifndef TSM_OPERATIONS_SCHEMAKINDS_H
#define TSM_OPERATIONS_SCHEMAKINDS_H

#include "array.h"
#include "arraycontroller.h"
#include "hostbusadapter.h"
#include "logicaldrive.h"
#include "physicaldrive.h"
#include "system.h"

#endif
