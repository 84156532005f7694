/* The desktop's resource and control numbers and its window classes: read by windres, by
   the windows and by the Wine GUI test's driver, so all three agree. Plain defines only. */
#pragma once

/* Window classes (dialogs registered over DefDlgProcW). */
#define QUORVEL_CLASS_MAIN L"QuorvelMain"
#define QUORVEL_CLASS_TRAY L"QuorvelTray"
#define QUORVEL_CLASS_LOGIN L"QuorvelLogin"
#define QUORVEL_CLASS_CHANGEPASS L"QuorvelChangePass"
#define QUORVEL_CLASS_ABOUT L"QuorvelAbout"
#define QUORVEL_CLASS_TRAYMSG L"QuorvelTrayMsg"
#define QUORVEL_CLASS_MAIN_A "QuorvelMain"
#define QUORVEL_CLASS_LOGIN_A "QuorvelLogin"
#define QUORVEL_CLASS_CHANGEPASS_A "QuorvelChangePass"
#define QUORVEL_CLASS_ABOUT_A "QuorvelAbout"
#define QUORVEL_CLASS_TRAYMSG_A "QuorvelTrayMsg"

/* One copy per user session. */
#define QUORVEL_MUTEX_NAME L"Local\\Quorvel.Desktop"

/* The tray icon's callback message (WM_USER + 101) and its identifier. */
#define QUORVEL_TRAY_CALLBACK 1125
#define QUORVEL_TRAY_ID 0

/* WM_COPYDATA to the main window with this dwData and "title\nmessage" in UTF-8 shows the
   popup: the way in for the guard's notify mode until it is wired, and for the test. */
#define QUORVEL_COPYDATA_TRAYMSG 0x51545259

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* Dialog templates. */
#define IDD_MAIN 100
#define IDD_LOGIN 101
#define IDD_CHANGEPASS 102
#define IDD_ABOUT 103
#define IDD_TRAYMSG 104
#define IDD_PANEL_OVERVIEW 110
#define IDD_PANEL_LOG 111
#define IDD_PANEL_SETTINGS 112
#define IDD_PANEL_PROCESS 113
#define IDD_PANEL_BLOCKED 114
#define IDD_PANEL_BLACK 115
#define IDD_PANEL_WHITE 116
#define IDD_PANEL_DETAILS 117

/* Main window: the title band and the navigation column (cmdbutton element n is
   IDC_CMDBUTTON_0 + n). */
#define IDC_LBLTITLE 1001
#define IDC_LBLSUBTITLE 1002
#define IDC_LBLTOTALBLOCKEDCAPTION 1003
#define IDC_LBLBLOCKED_0 1004
#define IDC_CMDBUTTON_0 1100
/* Each panel is a child dialog with its own number; its frame caption is IDC_PANEL_FRAME. */
#define IDC_PANEL_OVERVIEW 1200
#define IDC_PANEL_LOG 1201
#define IDC_PANEL_SETTINGS 1202
#define IDC_PANEL_PROCESS 1203
#define IDC_PANEL_BLOCKED 1204
#define IDC_PANEL_BLACK 1205
#define IDC_PANEL_WHITE 1206
#define IDC_PANEL_DETAILS 1207
#define IDC_PANEL_FRAME 1299

/* Overview */
#define IDC_LBLSTATISTIC 1300
#define IDC_LBLDESCRIPTION 1301
#define IDC_LBLENGINE 1302
#define IDC_LBLMACHINE 1303
#define IDC_LBLTOTALDETECT 1304
#define IDC_LBLAKTIFPROSES 1305
#define IDC_LBLLASTBLOK 1306
#define IDC_LBLCOPYWHITE 1307
#define IDC_LABEL41 1308
#define IDC_LBLCOPYBLACK 1309
#define IDC_LBLMONITOR 1310
#define IDC_LBLMODE 1311
#define IDC_UC7MONITOR 1312
#define IDC_LBLREGMON 1313
#define IDC_TXTPROCREF 1314
#define IDC_UC7INTERVAL 1315
#define IDC_CMDRESUME 1316
#define IDC_CMDSUSPEND 1317
/* Process Log */
#define IDC_LOGLIST 1320
/* Settings */
#define IDC_CHKSELFCHECK 1330
#define IDC_CHKJUSTWARNME 1331
#define IDC_CHKRUN 1332
#define IDC_CHKREGQUORVEL 1333
#define IDC_CHKAUTO 1334
#define IDC_CMDSAVESET 1335
#define IDC_CMDBUTTON_4 1104
/* Manage Process */
#define IDC_LIST1 1340
#define IDC_LSTMODULE 1341
#define IDC_LBLPROCRUN 1342
#define IDC_LBLMODULECOUNT 1343
#define IDC_CMDREFRESH 1344
#define IDC_CMDKILL 1345
#define IDC_CMDCLAMSCAN 1346
/* Blocked Process */
#define IDC_LIST2 1350
#define IDC_LBLJAILPID 1351
#define IDC_LBLTIME 1352
#define IDC_LBLLTIME 1353
#define IDC_LBLPREVATTEMPTS 1354
#define IDC_LBLBLOCKED_1 1355
#define IDC_UC7MOREINFOJAIL 1356
#define IDC_UC7UNBLOCK 1357
#define IDC_LSTREMEMBERED 1358
#define IDC_CMDFORGET 1359
/* Blacklist and Whitelist */
#define IDC_LISTBLACK 1360
#define IDC_TEXT2 1361
#define IDC_CMDADDBLACK 1362
#define IDC_CMDREMOVEBLACK 1363
#define IDC_LBLBLACKCOUNT_0 1364
#define IDC_LIST3 1370
#define IDC_TEXT1 1371
#define IDC_CMDADDWHITE 1372
#define IDC_CMDREMOVEWHITE 1373
#define IDC_LBLTRUSTEDCOUNT_8 1374
/* Process Details */
#define IDC_LBLPROCNAME 1380
#define IDC_LBLPROCID 1381
#define IDC_LBLPROCIDS 1382
#define IDC_LBLPARENTID 1383
#define IDC_LBLTHREADS 1384
#define IDC_LBLCHD 1385
#define IDC_LBLPRIORITY 1386
#define IDC_LBLACCESSATTEMPTS 1387
#define IDC_LBLLASTACT 1388
#define IDC_LBLFIRSTACCESS 1389
#define IDC_LBLLASTACCESS 1390
#define IDC_CMDBACK 1391
#define IDC_UC7PROCWIN 1392

/* Login and Change Password */
#define IDC_LBLNOTE 1400
#define IDC_LBLDEFAULT 1401
#define IDC_LBLPASSWORD 1402
#define IDC_TXTPASSWORD 1403
#define IDC_CMD_LOGIN 1404
#define IDC_TEXT1_PASS 1410
#define IDC_CMDGANTI 1411
/* Both windows' "Cancel" is IDCANCEL (2), so Escape and the close box are Cancel too. */

/* About */
#define IDC_LBLPRODUCT 1420
#define IDC_LBLVERSION 1421
#define IDC_LBLABOUTDESCRIPTION 1422
/* its OK (cmdOK) is IDOK (1) */

/* Popup */
#define IDC_TRAYMSG_TITLE 1430
#define IDC_TRAYMSG_MESSAGE 1431
#define IDC_TRAYMSG_CLOSE 1432

/* Tray menu commands */
#define IDM_OPEN 1500
#define IDM_CEKUPDATE 1501
#define IDM_ABOUT 1502

/* Message boxes show their text in this control (Windows and Wine alike). */
#define QUORVEL_MSGBOX_TEXT_ID 0xFFFF
