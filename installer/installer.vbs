' The installer's own steps, run by Windows Installer as VBScript custom
' actions with its Session object: finding the copies of Finale, and
' refusing a folder without Finale or a plug-in file that is in use.
Const kSuccess = 1
Const kFailure = 3
Const kMessageError = &H01000000
Const kMessageInfo = &H04000000
Const kIconError = &H10
Const kForAppending = 8

Function WithSlash(path)
  If Len(path) > 0 And Right(path, 1) <> "\" Then
    WithSlash = path & "\"
  Else
    WithSlash = path
  End If
End Function

' A host folder holds FINALE.EXE and a Plug-ins folder.
Function IsHostFolder(files, folder)
  IsHostFolder = False
  If Len(folder) = 0 Then Exit Function
  If files.FileExists(folder & "FINALE.EXE") And files.FolderExists(folder & "Plug-ins") Then IsHostFolder = True
End Function

' FINALE.EXE's file version padded to compare as text ("00027.00004.00000.
' 00123."), then its time in seconds: the larger key is the newer host.
Function HostKey(files, folder)
  Dim text, fields, key, i, stamp
  On Error Resume Next
  text = ""
  text = files.GetFileVersion(folder & "FINALE.EXE")
  stamp = 0
  stamp = CDbl(files.GetFile(folder & "FINALE.EXE").DateLastModified)
  On Error GoTo 0
  fields = Split(text & ".0.0.0.0", ".")
  key = ""
  For i = 0 To 3
    If IsNumeric(fields(i)) Then key = key & Right("00000" & CLng(fields(i)), 5) & "." Else key = key & "00000."
  Next
  HostKey = key & Right(String(15, "0") & CStr(Fix(stamp * 86400)), 15)
End Function

' Adds the host folders among ROOT's subfolders, DEPTH levels down
' ("Finale 2014" or "MakeMusic\Finale"), to the dictionary of keys.
Sub AddHosts(files, root, depth, hosts)
  Dim subfolders, subfolder, folder
  If Len(root) = 0 Then Exit Sub
  If Not files.FolderExists(root) Then Exit Sub
  On Error Resume Next
  Set subfolders = files.GetFolder(root).SubFolders
  If Err.Number <> 0 Then Exit Sub
  On Error GoTo 0
  For Each subfolder In subfolders
    folder = WithSlash(subfolder.Path)
    If Not hosts.Exists(LCase(folder)) Then
      If IsHostFolder(files, folder) Then
        hosts.Add LCase(folder), Array(folder, HostKey(files, folder))
      ElseIf depth > 1 Then
        AddHosts files, folder, depth - 1, hosts
      End If
    End If
  Next
End Sub

Sub LogLine(text)
  Dim record
  Set record = Session.Installer.CreateRecord(0)
  record.StringData(0) = text
  Session.Message kMessageInfo, record
End Sub

Function Refuse(text)
  Dim record
  Set record = Session.Installer.CreateRecord(0)
  record.StringData(0) = text
  Session.Message kMessageError + kIconError, record
  Refuse = kFailure
End Function

' The interactive installer's list of folders: the hosts found, newest first.
Sub OfferHosts(found)
  Dim view, record, i
  On Error Resume Next
  Set view = Session.Database.OpenView("SELECT `Property`, `Order`, `Value`, `Text` FROM `ComboBox`")
  If Err.Number <> 0 Then Exit Sub
  view.Execute
  For i = 0 To UBound(found)
    Set record = Session.Installer.CreateRecord(4)
    record.StringData(1) = "TARGETDIR"
    record.IntegerData(2) = i + 1
    record.StringData(3) = found(i)(0)
    record.StringData(4) = found(i)(0)
    view.Modify 7, record
  Next
  view.Close
End Sub

' Sets QV_HOSTS to the host folders under both Program Files folders,
' newest first, and TARGETDIR, unless given, to the folder of the last
' install or else the newest host.
Function FindHosts()
  Dim files, hosts, found, i, j, swap, list, saved
  Set files = CreateObject("Scripting.FileSystemObject")
  Set hosts = CreateObject("Scripting.Dictionary")
  AddHosts files, Session.Property("ProgramFilesFolder"), 2, hosts
  AddHosts files, Session.Property("ProgramFiles64Folder"), 2, hosts
  found = hosts.Items
  For i = 1 To UBound(found)
    For j = i To 1 Step -1
      If found(j)(1) > found(j - 1)(1) Then
        swap = found(j)
        found(j) = found(j - 1)
        found(j - 1) = swap
      End If
    Next
  Next
  list = ""
  For i = 0 To UBound(found)
    If i > 0 Then list = list & ";"
    list = list & found(i)(0)
  Next
  Session.Property("QV_HOSTS") = list
  Session.Property("QV_HOST_COUNT") = CStr(UBound(found) + 1)
  OfferHosts found
  If list = "" Then
    LogLine "QV Perfcopy: Finale found in: no folder"
  Else
    LogLine "QV Perfcopy: Finale found in: " & Replace(list, ";", "; ")
  End If
  If Session.Property("TARGETDIR") = "" Then
    saved = WithSlash(Session.Property("QV_SAVED_FOLDER"))
    If IsHostFolder(files, saved) Then
      Session.Property("TARGETDIR") = saved
    ElseIf UBound(found) >= 0 Then
      Session.Property("TARGETDIR") = found(0)(0)
    End If
  End If
  FindHosts = kSuccess
End Function

' True when the file can be opened for writing, which fails while Finale
' has the plug-in loaded.
Function CanWrite(files, path)
  Dim stream
  On Error Resume Next
  Set stream = files.OpenTextFile(path, kForAppending, False)
  If Err.Number <> 0 Then
    CanWrite = False
  Else
    stream.Close
    CanWrite = True
  End If
End Function

' Before anything is changed: the target must be a host folder, and an
' installed plug-in file must not be in use.
Function CheckTarget()
  Dim files, removing, folder, plugin, verb
  Set files = CreateObject("Scripting.FileSystemObject")
  removing = (Session.Property("REMOVE") = "ALL")
  If removing Then
    folder = WithSlash(Session.Property("QV_SAVED_FOLDER"))
    verb = "removed"
  Else
    folder = WithSlash(Session.Property("TARGETDIR"))
    verb = "installed"
  End If
  If Not removing And Not IsHostFolder(files, folder) Then
    CheckTarget = Refuse("QV Perfcopy was not installed: the folder " & folder & _
      " does not hold Finale (FINALE.EXE and a Plug-ins folder). Choose Finale's program folder, " & _
      "for example TARGETDIR=""C:\Program Files (x86)\Finale 2012\"".")
    Exit Function
  End If
  plugin = folder & "Plug-ins\qvperfcopy.fxt"
  If files.FileExists(plugin) And Not CanWrite(files, plugin) Then
    CheckTarget = Refuse("QV Perfcopy was not " & verb & ": " & plugin & _
      " is in use. Quit Finale and run the installer again. Nothing was changed.")
    Exit Function
  End If
  CheckTarget = kSuccess
End Function
