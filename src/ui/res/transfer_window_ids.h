// Resource and control ids of the transfer window; shared by the resource
// script and the dialog code.
#pragma once

#define IDD_TRANSFERS 101
#define IDC_TRANSFER_LIST 1002
#define IDC_STOP 1003
#define IDI_RECEIVE 9991
#define IDI_SEND 9992
