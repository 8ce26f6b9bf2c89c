<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>BudgetDialog</name>
    <message>
        <source>&amp;Set budget</source>
        <translation>Budget &amp;festlegen</translation>
    </message>
    <message>
        <source>C&amp;lear budget</source>
        <translation>Budget &amp;entfernen</translation>
    </message>
    <message>
        <source>Data Budget</source>
        <translation>Datenbudget</translation>
    </message>
    <message>
        <source>Application</source>
        <translation>Anwendung</translation>
    </message>
    <message>
        <source>All traffic</source>
        <translation>Gesamter Datenverkehr</translation>
    </message>
    <message>
        <source>Period</source>
        <translation>Zeitraum</translation>
    </message>
    <message>
        <source>Each month</source>
        <translation>Jeden Monat</translation>
    </message>
    <message>
        <source>Each day</source>
        <translation>Jeden Tag</translation>
    </message>
    <message>
        <source>Limit</source>
        <translation>Grenze</translation>
    </message>
    <message>
        <source>Unit of the limit</source>
        <translation>Einheit der Grenze</translation>
    </message>
    <message>
        <source>Warning level</source>
        <translation>Warnstufe</translation>
    </message>
    <message>
        <source> %</source>
        <translation> %</translation>
    </message>
    <message>
        <source>First day of the monthly cycle</source>
        <translation>Erster Tag des Monatszyklus</translation>
    </message>
    <message>
        <source>Budget state</source>
        <translation>Stand des Budgets</translation>
    </message>
    <message>
        <source>Set the budget</source>
        <translation>Das Budget festlegen</translation>
    </message>
    <message>
        <source>Clear the budget</source>
        <translation>Das Budget entfernen</translation>
    </message>
    <message>
        <source>&amp;Application:</source>
        <translation>&amp;Anwendung:</translation>
    </message>
    <message>
        <source>&amp;Period:</source>
        <translation>&amp;Zeitraum:</translation>
    </message>
    <message>
        <source>&amp;Limit:</source>
        <translation>&amp;Grenze:</translation>
    </message>
    <message>
        <source>&amp;Warn at:</source>
        <translation>&amp;Warnen bei:</translation>
    </message>
    <message>
        <source>&amp;Cycle starts on day:</source>
        <translation>&amp;Monatszyklus beginnt am Tag:</translation>
    </message>
    <message>
        <source>The service warns once when the traffic reaches the warning level and once at the limit. Budgets never block traffic.</source>
        <translation>Der Dienst warnt einmal, wenn der Datenverkehr die Warnstufe erreicht, und einmal an der Grenze. Budgets sperren nie den Datenverkehr.</translation>
    </message>
    <message>
        <source>No budget yet.</source>
        <translation>Noch kein Budget.</translation>
    </message>
    <message>
        <source>%1 % used since %2.</source>
        <translation>%1 % verbraucht seit %2.</translation>
    </message>
    <message>
        <source>Budget set.</source>
        <translation>Budget festgelegt.</translation>
    </message>
    <message>
        <source>Budget cleared.</source>
        <translation>Budget entfernt.</translation>
    </message>
    <message>
        <source>Asking the traffic service…</source>
        <translation>Frage den Verkehrsdienst …</translation>
    </message>
    <message>
        <source>The traffic service refused: %1</source>
        <translation>Der Verkehrsdienst hat abgelehnt: %1</translation>
    </message>
</context>
<context>
    <name>HistoryPage</name>
    <message>
        <source>Yesterday</source>
        <translation>Gestern</translation>
    </message>
    <message>
        <source>This month</source>
        <translation>Dieser Monat</translation>
    </message>
    <message>
        <source>Last month</source>
        <translation>Letzter Monat</translation>
    </message>
    <message>
        <source>Today</source>
        <translation>Heute</translation>
    </message>
    <message>
        <source>&amp;Refresh</source>
        <translation>A&amp;ktualisieren</translation>
    </message>
    <message>
        <source>&amp;Export as PNG…</source>
        <translation>Als PNG &amp;exportieren …</translation>
    </message>
    <message>
        <source>Top consumers</source>
        <translation>Größte Verbraucher</translation>
    </message>
    <message>
        <source>Application</source>
        <translation>Anwendung</translation>
    </message>
    <message>
        <source>All applications</source>
        <translation>Alle Anwendungen</translation>
    </message>
    <message>
        <source>Period</source>
        <translation>Zeitraum</translation>
    </message>
    <message>
        <source>Refresh the history</source>
        <translation>Den Verlauf aktualisieren</translation>
    </message>
    <message>
        <source>Export the chart as PNG</source>
        <translation>Das Diagramm als PNG exportieren</translation>
    </message>
    <message>
        <source>History chart</source>
        <translation>Verlaufsdiagramm</translation>
    </message>
    <message>
        <source>Received</source>
        <translation>Empfangen</translation>
    </message>
    <message>
        <source>Sent</source>
        <translation>Gesendet</translation>
    </message>
    <message>
        <source>Total</source>
        <translation>Gesamt</translation>
    </message>
    <message>
        <source>&amp;Application:</source>
        <translation>&amp;Anwendung:</translation>
    </message>
    <message>
        <source>&amp;Period:</source>
        <translation>&amp;Zeitraum:</translation>
    </message>
    <message>
        <source>The history could not be read: %1</source>
        <translation>Der Verlauf konnte nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>%1
Received: %2
Sent: %3
Total: %4</source>
        <translation>%1
Empfangen: %2
Gesendet: %3
Gesamt: %4</translation>
    </message>
    <message>
        <source>Day of the month</source>
        <translation>Tag des Monats</translation>
    </message>
    <message>
        <source>Hour of the day</source>
        <translation>Stunde des Tages</translation>
    </message>
    <message>
        <source>%1 from %2: %3 in all, %4 received and %5 sent</source>
        <translation>%1 ab %2: %3 insgesamt, %4 empfangen und %5 gesendet</translation>
    </message>
    <message>
        <source>Export the chart</source>
        <translation>Das Diagramm exportieren</translation>
    </message>
    <message>
        <source>PNG images (*.png)</source>
        <translation>PNG-Bilder (*.png)</translation>
    </message>
    <message>
        <source>%1 could not be written.</source>
        <translation>%1 konnte nicht geschrieben werden.</translation>
    </message>
</context>
<context>
    <name>LiveModel</name>
    <message>
        <source>%1 %</source>
        <translation>%1 %</translation>
    </message>
    <message>
        <source>%1 of %2 today</source>
        <translation>%1 von %2 heute</translation>
    </message>
    <message>
        <source>%1 of %2 this month</source>
        <translation>%1 von %2 in diesem Monat</translation>
    </message>
    <message>
        <source>Application</source>
        <translation>Anwendung</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>Upload</source>
        <translation>Upload</translation>
    </message>
    <message>
        <source>Today</source>
        <translation>Heute</translation>
    </message>
    <message>
        <source>Last minute</source>
        <translation>Letzte Min.</translation>
    </message>
    <message>
        <source>Budget</source>
        <translation>Budget</translation>
    </message>
    <message>
        <source>Download and upload speed over the last 60 seconds</source>
        <translation>Download- und Upload-Geschwindigkeit der letzten 60 Sekunden</translation>
    </message>
</context>
<context>
    <name>LivePage</name>
    <message>
        <source>Search applications</source>
        <translation>Anwendungen suchen</translation>
    </message>
    <message>
        <source>Applications</source>
        <translation>Anwendungen</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>&amp;Budget…</source>
        <translation>&amp;Budget …</translation>
    </message>
    <message>
        <source>Set the data budget of the selected application</source>
        <translation>Das Datenbudget der gewählten Anwendung festlegen</translation>
    </message>
</context>
<context>
    <name>ServiceLink</name>
    <message>
        <source>The traffic service stopped sending figures.</source>
        <translation>Der Verkehrsdienst sendet keine Zahlen mehr.</translation>
    </message>
    <message>
        <source>There is no session bus to reach the traffic service on.</source>
        <translation>Es gibt keinen Sitzungsbus, über den der Verkehrsdienst erreichbar wäre.</translation>
    </message>
</context>
<context>
    <name>TrafficWindow</name>
    <message>
        <source>Network Traffic</source>
        <translation>Netzwerkverkehr</translation>
    </message>
    <message>
        <source>Service state</source>
        <translation>Zustand des Dienstes</translation>
    </message>
    <message>
        <source>Connecting to the traffic service…</source>
        <translation>Verbinde mit dem Verkehrsdienst …</translation>
    </message>
    <message>
        <source>Views</source>
        <translation>Ansichten</translation>
    </message>
    <message>
        <source>&amp;Live</source>
        <translation>&amp;Live</translation>
    </message>
    <message>
        <source>&amp;History</source>
        <translation>&amp;Verlauf</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Budget</source>
        <translation>Budget</translation>
    </message>
    <message>
        <source>The traffic service cannot be reached; trying again every few seconds.
%1</source>
        <translation>Der Verkehrsdienst ist nicht erreichbar; neuer Versuch alle paar Sekunden.
%1</translation>
    </message>
    <message>
        <source>%1 could not be written.</source>
        <translation>%1 konnte nicht geschrieben werden.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>Network Traffic</source>
        <translation>Netzwerkverkehr</translation>
    </message>
    <message>
        <source>Shows every application&apos;s network traffic, live and over time.</source>
        <translation>Zeigt den Netzwerkverkehr jeder Anwendung, live und im Zeitverlauf.</translation>
    </message>
    <message>
        <source>Write a picture of the window to &lt;file&gt; and quit.</source>
        <translation>Ein Bild des Fensters nach &lt;file&gt; schreiben und beenden.</translation>
    </message>
    <message>
        <source>Take the picture after &lt;seconds&gt; (default 20).</source>
        <translation>Das Bild nach &lt;seconds&gt; aufnehmen (Vorgabe 20).</translation>
    </message>
    <message>
        <source>Open on the &lt;view&gt;: live (the default) or history.</source>
        <translation>Mit der Ansicht &lt;view&gt; öffnen: live (Vorgabe) oder history.</translation>
    </message>
</context>
</TS>
