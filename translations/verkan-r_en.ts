<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_GB" sourcelanguage="ru_RU">
<context>
    <name>ApplyProfileDialog</name>
    <message>
        <source>Записать настройки в блок</source>
        <translation>Write settings to unit</translation>
    </message>
    <message>
        <source>Фланг</source>
        <translation>Flank</translation>
    </message>
    <message>
        <source>Параметр</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>В блоке</source>
        <translation>In unit</translation>
    </message>
    <message>
        <source>В файле</source>
        <translation>In file</translation>
    </message>
    <message>
        <source>Отличаются настроек: %1 (красные строки). Записать их в блок %2?</source>
        <translation>Settings that differ: %1 (red rows). Write them to unit %2?</translation>
    </message>
    <message>
        <source>Записать</source>
        <translation>Write</translation>
    </message>
    <message>
        <source> Красные строки блок не подтвердил.</source>
        <translation> The unit did not confirm the red rows.</translation>
    </message>
</context>
<context>
    <name>ApplySettingsTask</name>
    <message>
        <source>подтверждено</source>
        <translation>confirmed</translation>
    </message>
    <message>
        <source>блок не принял значение, оставлено %1</source>
        <translation>the unit refused the value, kept %1</translation>
    </message>
    <message>
        <source>отправлено, не подтверждено</source>
        <translation>sent, not confirmed</translation>
    </message>
    <message>
        <source>не отправлено</source>
        <translation>not sent</translation>
    </message>
    <message>
        <source>%1: не удалось прочитать файл (%2)</source>
        <translation>%1: could not read the file (%2)</translation>
    </message>
    <message>
        <source>%1: %2. Ничего не записано.</source>
        <translation>%1: %2. Nothing was written.</translation>
    </message>
    <message>
        <source>Настройки блока %1 уже совпадают с файлом; ничего не записано.</source>
        <translation>The settings of unit %1 already match the file; nothing was written.</translation>
    </message>
    <message>
        <source>Запись в блок %1: %2 из %3</source>
        <translation>Writing to unit %1: %2 of %3</translation>
    </message>
    <message>
        <source>Подтверждено блоком: %1 из %2.</source>
        <translation>Confirmed by the unit: %1 of %2.</translation>
    </message>
    <message>
        <source>Записано и подтверждено блоком: %1 из %1.</source>
        <translation>Written and confirmed by the unit: %1 of %1.</translation>
    </message>
    <message>
        <source>Блок %1 не ответил на чтение настроек после записи.</source>
        <translation>Unit %1 did not answer the settings read after writing.</translation>
    </message>
    <message>
        <source>Не все настройки блока %1 совпадают с файлом %2.</source>
        <translation>Not all settings of unit %1 match the file %2.</translation>
    </message>
    <message>
        <source>Нет связи с блоком %1.</source>
        <translation>No link with unit %1.</translation>
    </message>
    <message>
        <source>Обмен данными остановлен.</source>
        <translation>Data exchange stopped.</translation>
    </message>
</context>
<context>
    <name>ChartPanel</name>
    <message>
        <source>Диаграмма сигнала</source>
        <translation>Signal chart</translation>
    </message>
    <message>
        <source>1В/дел.</source>
        <translation>1V/div.</translation>
    </message>
    <message>
        <source>0,5В/дел.</source>
        <translation>0.5V/div.</translation>
    </message>
    <message>
        <source>0,5c./дел.</source>
        <translation>0.5s/div.</translation>
    </message>
    <message>
        <source>1c./дел.</source>
        <translation>1s/div.</translation>
    </message>
</context>
<context>
    <name>Cli</name>
    <message>
        <source>%1: ожидается положительное число</source>
        <translation>%1: a positive number expected</translation>
    </message>
    <message>
        <source>неизвестный параметр %1</source>
        <translation>unknown option %1</translation>
    </message>
    <message>
        <source>ошибка в параметрах: %1</source>
        <translation>error in the options: %1</translation>
    </message>
    <message>
        <source>--lang: язык ru или en</source>
        <translation>--lang: language ru or en</translation>
    </message>
    <message>
        <source>--flank: фланг 1 или 2</source>
        <translation>--flank: flank 1 or 2</translation>
    </message>
    <message>
        <source>--pass: длительность прохода в секундах</source>
        <translation>--pass: the length of the pass in seconds</translation>
    </message>
    <message>
        <source>--journal: не задан файл журнала</source>
        <translation>--journal: no journal file given</translation>
    </message>
    <message>
        <source>не задана команда</source>
        <translation>no command given</translation>
    </message>
    <message>
        <source>settings: ожидается show, save или apply</source>
        <translation>settings: show, save or apply expected</translation>
    </message>
    <message>
        <source>неизвестная команда %1</source>
        <translation>unknown command %1</translation>
    </message>
    <message>
        <source>%1: неверное число аргументов</source>
        <translation>%1: wrong number of arguments</translation>
    </message>
    <message>
        <source>параметр --%1 не относится к команде %2</source>
        <translation>option --%1 does not belong to the command %2</translation>
    </message>
    <message>
        <source>record: длительность записи в секундах</source>
        <translation>record: the length of the recording in seconds</translation>
    </message>
    <message>
        <source>--address: адрес блока от %1 до %2</source>
        <translation>--address: unit address from %1 to %2</translation>
    </message>
    <message>
        <source>--addresses: диапазон ОТ-ДО в пределах %1-%2</source>
        <translation>--addresses: a range FROM-TO within %1-%2</translation>
    </message>
    <message>
        <source>--baud: допустимы %1</source>
        <translation>--baud: %1 allowed</translation>
    </message>
    <message>
        <source>--port: %1</source>
        <translation>--port: %1</translation>
    </message>
    <message>
        <source>--addresses: &quot;%1&quot; не адрес и не диапазон адресов %2-%3</source>
        <translation>--addresses: &quot;%1&quot; is not an address or a range of addresses %2-%3</translation>
    </message>
    <message>
        <source>--addresses: диапазон &quot;%1&quot; идёт от большего адреса к меньшему</source>
        <translation>--addresses: range &quot;%1&quot; runs backwards</translation>
    </message>
    <message>
        <source>--addresses: адрес %1 указан дважды</source>
        <translation>--addresses: address %1 is listed twice</translation>
    </message>
    <message>
        <source>--seconds: длительность наблюдения в секундах</source>
        <translation>--seconds: the length of the watch in seconds</translation>
    </message>
    <message>
        <source>watch: не заданы адреса блоков на линии (--addresses СПИСОК)</source>
        <translation>watch: no addresses of the line&apos;s units given (--addresses LIST)</translation>
    </message>
    <message>
        <source>Использование: verkan-cli [--port ПОРТ] [--address N] [--baud СКОРОСТЬ] КОМАНДА ...

Настройка и проверка извещателей ВЕРКАН-Р из командной строки.

Параметры:
  --port ПОРТ         номер COM-порта 1..16, как в окне программы (VERKAN_COM&lt;n&gt;
                      заменяет устройство порта n), путь к устройству,
                      tcp://ХОСТ:ПОРТ (сервер COM-портов, скорость задана на нём)
                      или rfc2217://ХОСТ:ПОРТ (скорость задаёт программа);
                      по умолчанию 1
  --address N         адрес блока %1..%2, по умолчанию 1
  --baud СКОРОСТЬ     не искать скорость, а работать на этой:
                      4800, 9600, 19200, 38400, 57600 или 115200
  --lang ru|en        язык сообщений и отчёта; по умолчанию язык системы
                      (английский, если он английский, иначе русский)
  --journal ФАЙЛ      дописывать в ФАЙЛ журнал событий обмена (старт, стоп,
                      потеря связи; у watch все события линии), как Jurnal.txt
                      окна программы
  -h, --help          эта справка
  -v, --version       версия программы

Команды:
  discover [--addresses ОТ-ДО]    найти блоки на всех скоростях и адресах ОТ..ДО
                                  (по умолчанию %1-%2): строка на каждый блок
  status [--flank 1|2]            одно чтение состояния фланга
  settings show                   настройки обоих флангов в JSON
  settings save ФАЙЛ              то же в ФАЙЛ
  settings apply ФАЙЛ             записать в блок настройки ФАЙЛА, которые отличаются,
                                  прочитать всё обратно и показать изменения
  record СЕКУНДЫ ФАЙЛ [--flank 1|2]
                                  записать все ответы о состоянии в файл CSV
  report ФАЙЛ [--pass СЕКУНДЫ] [--flank 1|2] [--site ТЕКСТ] [--installer ТЕКСТ]
                                  отчёт о пусконаладке в PDF; с --pass сначала
                                  контрольный проход заданной длительности;
                                  --site: объект, --installer: монтажник (без них
                                  в отчёте строки, чтобы вписать от руки)
  watch --addresses СПИСОК [--json] [--seconds N] [--mqtt ХОСТ[:ПОРТ] ...]
                                  наблюдать за всеми блоками линии (СПИСОК: адреса
                                  и диапазоны через запятую, например 1-16,20):
                                  строка на каждое событие (с --json объект JSON),
                                  в первом цикле состояние каждого блока; до SIGINT,
                                  SIGTERM или N секунд; без --baud скорость ищется
                                  по блокам списка по порядку
    --mqtt ХОСТ[:ПОРТ]            и публиковать линию брокеру MQTT (только чтение:
                                  из MQTT линией не управляют); темы
                                  ПРЕФИКС/ЛИНИЯ/status, ПРЕФИКС/ЛИНИЯ/АДРЕС/state,
                                  ПРЕФИКС/ЛИНИЯ/АДРЕС/event и обнаружение Home Assistant
    --mqtt-line ИМЯ               имя линии в темах; по умолчанию имя порта
    --mqtt-prefix ПРЕФИКС         по умолчанию verkan
    --mqtt-user ИМЯ --mqtt-password-file ФАЙЛ
                                  вход на брокер; пароль — первая строка ФАЙЛА
    --mqtt-cafile ФАЙЛ            TLS с этим сертификатом ЦС (порт по умолчанию 8883)

Коды завершения: 0 готово; 2 ошибка в командной строке или в файле;
3 блок не ответил; 4 порт не открывается; 5 запись не подтверждена.
</source>
        <translation>Usage: verkan-cli [--port PORT] [--address N] [--baud SPEED] COMMAND ...

Setting up and checking VERKAN-R detectors from the command line.

Options:
  --port PORT         COM port number 1..16, as in the program&apos;s window
                      (VERKAN_COM&lt;n&gt; replaces the device of port n), a device
                      path, tcp://HOST:PORT (a serial server whose speed is set
                      on the server) or rfc2217://HOST:PORT (the program sets
                      the speed); 1 by default
  --address N         unit address %1..%2, 1 by default
  --baud SPEED        do not search the speed, work at this one:
                      4800, 9600, 19200, 38400, 57600 or 115200
  --lang ru|en        language of the messages and the report; by default the
                      system&apos;s (English if it is English, Russian otherwise)
  --journal FILE      append the exchange&apos;s event journal (start, stop, lost
                      link; for watch every event of the line) to FILE, like
                      the window&apos;s Jurnal.txt
  -h, --help          this help
  -v, --version       the program&apos;s version

Commands:
  discover [--addresses FROM-TO]  find units at every speed and address FROM..TO
                                  (%1-%2 by default): a line per unit
  status [--flank 1|2]            one reading of the flank&apos;s state
  settings show                   the settings of both flanks as JSON
  settings save FILE              the same into FILE
  settings apply FILE             write the settings of FILE that differ into the
                                  unit, read everything back and show the changes
  record SECONDS FILE [--flank 1|2]
                                  record every status reply into a CSV file
  report FILE [--pass SECONDS] [--flank 1|2] [--site TEXT] [--installer TEXT]
                                  commissioning report as PDF; with --pass a test
                                  crossing of that length first; --site: the site,
                                  --installer: the installer (without them the
                                  report has lines to write on by hand)
  watch --addresses LIST [--json] [--seconds N] [--mqtt HOST[:PORT] ...]
                                  watch every unit of a line (LIST: addresses
                                  and ranges, comma-separated, e.g. 1-16,20):
                                  a line per event (with --json a JSON object),
                                  each unit&apos;s state in the first round; until
                                  SIGINT, SIGTERM or N seconds; without --baud
                                  the speed is searched at the listed units in turn
    --mqtt HOST[:PORT]            and publish the line to an MQTT broker (read-only:
                                  nothing over MQTT controls the line); topics
                                  PREFIX/LINE/status, PREFIX/LINE/ADDRESS/state,
                                  PREFIX/LINE/ADDRESS/event and Home Assistant discovery
    --mqtt-line NAME              the line&apos;s name in the topics; the port&apos;s by default
    --mqtt-prefix PREFIX          verkan by default
    --mqtt-user NAME --mqtt-password-file FILE
                                  log in to the broker; the password is FILE&apos;s first line
    --mqtt-cafile FILE            TLS with this CA certificate (port 8883 by default)

Exit codes: 0 done; 2 error in the command line or in a file;
3 the unit did not answer; 4 the port does not open; 5 a write not confirmed.
</translation>
    </message>
    <message>
        <source>--mqtt-password: пароль в командной строке виден всем в ps; запишите его в файл и задайте --mqtt-password-file ФАЙЛ</source>
        <translation>--mqtt-password: a password on the command line is visible to everyone in ps; write it into a file and give --mqtt-password-file FILE</translation>
    </message>
    <message>
        <source>--mqtt: %1</source>
        <translation>--mqtt: %1</translation>
    </message>
    <message>
        <source>--mqtt-password-file: нужен и --mqtt-user, чьё это пароль</source>
        <translation>--mqtt-password-file: --mqtt-user is needed too, whose password it is</translation>
    </message>
    <message>
        <source>--%1: задайте и брокер, --mqtt ХОСТ</source>
        <translation>--%1: give the broker too, --mqtt HOST</translation>
    </message>
</context>
<context>
    <name>CommandRunner</name>
    <message>
        <source>%2: нет связи с блоком %1. Проверьте адрес и питание!</source>
        <translation>%2: no link with unit %1. Check the address and power!</translation>
    </message>
    <message>
        <source>Блок %1, %2, %3 бод</source>
        <translation>Unit %1, %2, %3 baud</translation>
    </message>
    <message>
        <source>Фланг %1: %2</source>
        <translation>Flank %1: %2</translation>
    </message>
    <message>
        <source>код %1</source>
        <translation>code %1</translation>
    </message>
    <message>
        <source>Датчик вскрытия: </source>
        <translation>Tamper switch: </translation>
    </message>
    <message>
        <source>Разомкнут</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Замкнут</source>
        <translation>Closed</translation>
    </message>
    <message>
        <source>Сигнал: </source>
        <translation>Signal: </translation>
    </message>
    <message>
        <source>Порог: </source>
        <translation>Threshold: </translation>
    </message>
    <message>
        <source>Уровни &lt;1&gt; &lt;2&gt; : %1  %2</source>
        <translation>Levels &lt;1&gt; &lt;2&gt; : %1  %2</translation>
    </message>
    <message>
        <source>%1: файл нельзя записать</source>
        <translation>%1: the file cannot be written</translation>
    </message>
    <message>
        <source>Фланг %1, %2: %3 -&gt; %4</source>
        <translation>Flank %1, %2: %3 -&gt; %4</translation>
    </message>
    <message>
        <source>Ничего не изменилось.</source>
        <translation>Nothing changed.</translation>
    </message>
    <message>
        <source>фланг %1, %2 = %3: %4</source>
        <translation>flank %1, %2 = %3: %4</translation>
    </message>
    <message>
        <source>Контрольный проход на фланге %1, не дольше %2 с…</source>
        <translation>Test crossing on flank %1, at most %2 s…</translation>
    </message>
    <message>
        <source>Контрольный проход на фланге %1: %2 с</source>
        <translation>Test crossing on flank %1: %2 s</translation>
    </message>
    <message>
        <source>Средний полезный сигнал: %1, порог: %2</source>
        <translation>Mean useful signal: %1, threshold: %2</translation>
    </message>
    <message>
        <source>нет</source>
        <translation>none</translation>
    </message>
    <message>
        <source>Номер блока: %1</source>
        <translation>Unit number: %1</translation>
    </message>
    <message>
        <source>Номер блока не прочитан: блок не ответил</source>
        <translation>Unit number not read: the unit did not answer</translation>
    </message>
    <message>
        <source>%1: скорость линии задана на сервере</source>
        <translation>%1: the line speed is set on the server</translation>
    </message>
    <message>
        <source>Блок %1, %2, скорость задана на сервере</source>
        <translation>Unit %1, %2, speed set on the server</translation>
    </message>
    <message>
        <source>скорость сервера</source>
        <translation>the server&apos;s speed</translation>
    </message>
    <message>
        <source>%1 бод</source>
        <translation>%1 baud</translation>
    </message>
    <message>
        <source>поиск: %1, адрес %2 (проверено %3 из %4)</source>
        <translation>search: %1, address %2 (%3 of %4 checked)</translation>
    </message>
    <message>
        <source>поиск: %1, адреса %2-%3</source>
        <translation>search: %1, addresses %2-%3</translation>
    </message>
    <message>
        <source>%1: ни один из блоков %2 не ответил ни на одной скорости. Проверьте адреса и питание!</source>
        <translation>%1: none of the units %2 answered at any speed. Check the addresses and the power!</translation>
    </message>
    <message>
        <source>поиск скорости линии: блок %1</source>
        <translation>line speed search: unit %1</translation>
    </message>
    <message>
        <source>скорость линии: %1 бод</source>
        <translation>line speed: %1 baud</translation>
    </message>
    <message>
        <source>событий: %1, отброшено запоздавших ответов: %2</source>
        <translation>events: %1, late replies dropped: %2</translation>
    </message>
    <message>
        <source>MQTT: доставлено событий: %1</source>
        <translation>MQTT: events delivered: %1</translation>
    </message>
</context>
<context>
    <name>ConnectionPanel</name>
    <message>
        <source>Установлена связь с блоком. Обмен данными...</source>
        <translation>Connected to the unit. Exchanging data...</translation>
    </message>
    <message>
        <source>Нет связи с блоком. Проверьте адрес и питание! </source>
        <translation>No link with the unit. Check the address and power! </translation>
    </message>
    <message>
        <source>Обмен данными остановлен.</source>
        <translation>Data exchange stopped.</translation>
    </message>
    <message>
        <source>ПОДКЛЮЧЕНИЕ</source>
        <translation>CONNECTION</translation>
    </message>
    <message>
        <source>Фланг</source>
        <translation>Flank</translation>
    </message>
    <message>
        <source>COM-порт</source>
        <translation>COM port</translation>
    </message>
    <message>
        <source>СТОП</source>
        <translation>STOP</translation>
    </message>
    <message>
        <source>СТАРТ</source>
        <translation>START</translation>
    </message>
    <message>
        <source>Связь с блоком №:</source>
        <translation>Connect to unit no.:</translation>
    </message>
    <message>
        <source>Изменить</source>
        <translation>Change</translation>
    </message>
    <message>
        <source> и ещё 1 порту</source>
        <translation> and 1 more port</translation>
    </message>
    <message>
        <source> и ещё %1 портам</source>
        <translation> and %1 more ports</translation>
    </message>
    <message>
        <source>Нет прав доступа к %1%2: добавьте пользователя в группу dialout и войдите в систему снова.</source>
        <translation>No permission to open %1%2: add the user to the dialout group and log in again.</translation>
    </message>
    <message>
        <source>Не выбран COM-порт.</source>
        <translation>No COM port selected.</translation>
    </message>
    <message>
        <source>Поиск скорости: %1 бод…</source>
        <translation>Searching for the line speed: %1 baud…</translation>
    </message>
    <message>
        <source>COM-порт %1 (%2), адрес %3.
Не знаете адрес блока? Найдите блок: Блок → Найти блок…</source>
        <translation>COM port %1 (%2), address %3.
Address of the unit not known? Find the unit: Unit → Find unit…</translation>
    </message>
    <message>
        <source>%1: %2.</source>
        <translation>%1: %2.</translation>
    </message>
    <message>
        <source>%1, адрес %2.
Не знаете адрес блока? Найдите блок: Блок → Найти блок…</source>
        <translation>%1, address %2.
Address of the unit not known? Find the unit: Unit → Find unit…</translation>
    </message>
</context>
<context>
    <name>DesignedLayout</name>
    <message>
        <source>ВЕРКАН</source>
        <translation>VERKAN</translation>
    </message>
    <message>
        <source>Дистанционный контроль</source>
        <translation>Remote test</translation>
    </message>
    <message>
        <source>КОНТРОЛЬНЫЙ  ПРОХОД</source>
        <translation>TEST  CROSSING</translation>
    </message>
    <message>
        <source>Полезный сигнал</source>
        <translation>Useful signal</translation>
    </message>
    <message>
        <source>Измерение</source>
        <translation>Measuring</translation>
    </message>
    <message>
        <source>Текущее значение</source>
        <translation>Current value</translation>
    </message>
    <message>
        <source>Среднее значение</source>
        <translation>Mean value</translation>
    </message>
    <message>
        <source>Изменить</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>Применить</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Старт</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Стоп</source>
        <translation>Stop</translation>
    </message>
</context>
<context>
    <name>DiscoverTask</name>
    <message>
        <source>Поиск: %1 бод, адрес %2 (проверено %3 из %4)</source>
        <translation>Searching: %1 baud, address %2 (%3 of %4 checked)</translation>
    </message>
    <message>
        <source>%1: %2.</source>
        <translation>%1: %2.</translation>
    </message>
    <message>
        <source>Поиск на COM-порту %1…</source>
        <translation>Searching on COM port %1…</translation>
    </message>
    <message>
        <source>%1: ни один блок не ответил.</source>
        <translation>%1: no unit answered.</translation>
    </message>
    <message>
        <source>Найдено блоков: %1.</source>
        <translation>Units found: %1.</translation>
    </message>
    <message>
        <source>Поиск: %1…</source>
        <translation>Searching: %1…</translation>
    </message>
</context>
<context>
    <name>DiscoveryDialog</name>
    <message>
        <source>&amp;Искать</source>
        <translation>&amp;Search</translation>
    </message>
    <message>
        <source>&amp;Выбрать</source>
        <translation>&amp;Choose</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Найти блок</source>
        <translation>Find unit</translation>
    </message>
    <message>
        <source>Ни один COM-порт не открывается.</source>
        <translation>No COM port opens.</translation>
    </message>
    <message>
        <source>Поиск перебирает все скорости от 4800 до 115200 бод, по одному запросу на адрес каждые 60 мс.</source>
        <translation>The search tries every speed from 4800 to 115200 baud, one request per address every 60 ms.</translation>
    </message>
    <message>
        <source>COM-&amp;порт</source>
        <translation>COM &amp;port</translation>
    </message>
    <message>
        <source>&amp;Адреса с</source>
        <translation>&amp;Addresses from</translation>
    </message>
    <message>
        <source>п&amp;о</source>
        <translation>&amp;to</translation>
    </message>
    <message>
        <source>Найденные &amp;блоки:</source>
        <translation>Found &amp;units:</translation>
    </message>
    <message>
        <source>Блок №%1 — COM-порт %2, %3 бод</source>
        <translation>Unit %1 — COM port %2, %3 baud</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ни один блок не ответил.</source>
        <translation>no unit answered.</translation>
    </message>
    <message>
        <source>найдено блоков: %1. Выберите блок для «СТАРТ».</source>
        <translation>units found: %1. Choose a unit for “START”.</translation>
    </message>
    <message>
        <source>Поиск прерван: </source>
        <translation>Search cancelled: </translation>
    </message>
    <message>
        <source>Поиск окончен: </source>
        <translation>Search finished: </translation>
    </message>
    <message>
        <source>Блок №%1 — %2, %3 бод</source>
        <translation>Unit %1 — %2, %3 baud</translation>
    </message>
</context>
<context>
    <name>Engine</name>
    <message>
        <source>Измерение</source>
        <translation>Measuring</translation>
    </message>
    <message>
        <source>файл не найден</source>
        <translation>file not found</translation>
    </message>
    <message>
        <source>это не файл</source>
        <translation>not a file</translation>
    </message>
    <message>
        <source>файл пуст</source>
        <translation>file is empty</translation>
    </message>
    <message>
        <source>файл больше %1 МБ (%2 байт)</source>
        <translation>file is larger than %1 MB (%2 bytes)</translation>
    </message>
    <message>
        <source>это не файл WAV</source>
        <translation>not a WAV file</translation>
    </message>
    <message>
        <source>звук в файле записан не в формате PCM</source>
        <translation>the sound in the file is not PCM</translation>
    </message>
    <message>
        <source>в файле нет звука</source>
        <translation>the file holds no sound</translation>
    </message>
    <message>
        <source>файл обрезан: звука в нём меньше, чем сказано в заголовке</source>
        <translation>file is cut short: it holds less sound than its header says</translation>
    </message>
    <message>
        <source>нет устройства вывода звука</source>
        <translation>no sound output device</translation>
    </message>
    <message>
        <source>формат звука в файле не поддерживается</source>
        <translation>the sound format of the file is not supported</translation>
    </message>
    <message>
        <source>порт не найден</source>
        <translation>port not found</translation>
    </message>
    <message>
        <source>порт занят другой программой</source>
        <translation>port is in use by another program</translation>
    </message>
    <message>
        <source>нет прав доступа (группа dialout)</source>
        <translation>permission denied (group dialout)</translation>
    </message>
    <message>
        <source>ошибка открытия</source>
        <translation>open error</translation>
    </message>
    <message>
        <source>Норма</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>  Норма</source>
        <translation>  Normal</translation>
    </message>
    <message>
        <source>Тревога</source>
        <translation>Alarm</translation>
    </message>
    <message>
        <source>  Тревога</source>
        <translation>  Alarm</translation>
    </message>
    <message>
        <source>Неисправность</source>
        <translation>Fault</translation>
    </message>
    <message>
        <source>Некорректный уровень ПМ!</source>
        <translation>Invalid receiver level!</translation>
    </message>
    <message>
        <source>  Некорректный уровень</source>
        <translation>  Invalid level</translation>
    </message>
    <message>
        <source>  Некоректный уровень</source>
        <translation>  Invalid level</translation>
    </message>
    <message>
        <source> Обрыв кабеля </source>
        <translation> Cable break </translation>
    </message>
    <message>
        <source>  Обрыв кабеля</source>
        <translation>  Cable break</translation>
    </message>
    <message>
        <source> Замыкание кабеля </source>
        <translation> Cable short circuit </translation>
    </message>
    <message>
        <source>  Замыкание кабеля</source>
        <translation>  Cable short circuit</translation>
    </message>
    <message>
        <source>  Фланг -</source>
        <translation>  Flank -</translation>
    </message>
    <message>
        <source> Фланг -</source>
        <translation> Flank -</translation>
    </message>
    <message>
        <source>Разомкнут</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Замкнут</source>
        <translation>Closed</translation>
    </message>
    <message>
        <source>  ДВ разомкнут</source>
        <translation>  Tamper switch open</translation>
    </message>
    <message>
        <source> ДВ разомкнут</source>
        <translation> Tamper switch open</translation>
    </message>
    <message>
        <source>  ДВ замкнут</source>
        <translation>  Tamper switch closed</translation>
    </message>
    <message>
        <source> ДВ замкнут</source>
        <translation> Tamper switch closed</translation>
    </message>
    <message>
        <source>Номер блока</source>
        <translation>Unit number</translation>
    </message>
    <message>
        <source>Предел</source>
        <translation>Limit</translation>
    </message>
    <message>
        <source>  Установлен предел -</source>
        <translation>  Limit set to -</translation>
    </message>
    <message>
        <source>   Установлен предел -</source>
        <translation>   Limit set to -</translation>
    </message>
    <message>
        <source>Усиление:</source>
        <translation>Gain:</translation>
    </message>
    <message>
        <source>  Установлено усиление -</source>
        <translation>  Gain set to -</translation>
    </message>
    <message>
        <source>Порог (В)</source>
        <translation>Thresh. (V)</translation>
    </message>
    <message>
        <source>  Установлен порог -</source>
        <translation>  Threshold set to -</translation>
    </message>
    <message>
        <source>Накопление (мсек)</source>
        <translation>Accumulation (ms)</translation>
    </message>
    <message>
        <source>  Установлено накопление -</source>
        <translation>  Accumulation set to -</translation>
    </message>
    <message>
        <source>Фронт (мВ/мсек)</source>
        <translation>Rise (mV/ms)</translation>
    </message>
    <message>
        <source>  Установлен фронт -</source>
        <translation>  Rise set to -</translation>
    </message>
    <message>
        <source>Тревога (сек)</source>
        <translation>Alarm time (s)</translation>
    </message>
    <message>
        <source>  Установлено время тревоги -</source>
        <translation>  Alarm time set to -</translation>
    </message>
    <message>
        <source>Длительность самоконтр. (мсек)</source>
        <translation>Self-test time (ms)</translation>
    </message>
    <message>
        <source>  Установлена длит. самоконтр. -</source>
        <translation>  Self-test time set to -</translation>
    </message>
    <message>
        <source> В</source>
        <translation> V</translation>
    </message>
    <message>
        <source>файл не является документом JSON: %1 (позиция %2)</source>
        <translation>the file is not a JSON document: %1 (offset %2)</translation>
    </message>
    <message>
        <source>файл не является объектом JSON</source>
        <translation>the file is not a JSON object</translation>
    </message>
    <message>
        <source>неизвестный ключ &quot;%1&quot;</source>
        <translation>unknown key &quot;%1&quot;</translation>
    </message>
    <message>
        <source>&quot;format&quot;: ожидается &quot;%1&quot;</source>
        <translation>&quot;format&quot;: &quot;%1&quot; expected</translation>
    </message>
    <message>
        <source>&quot;address&quot;: допустимы целые числа от %1 до %2</source>
        <translation>&quot;address&quot;: whole numbers from %1 to %2 are allowed</translation>
    </message>
    <message>
        <source>&quot;speed&quot;: ожидается скорость линии в бодах</source>
        <translation>&quot;speed&quot;: the line speed in baud expected</translation>
    </message>
    <message>
        <source>&quot;flanks&quot;: ожидается объект с ключами &quot;1&quot; и &quot;2&quot;</source>
        <translation>&quot;flanks&quot;: an object with the keys &quot;1&quot; and &quot;2&quot; expected</translation>
    </message>
    <message>
        <source>&quot;flanks&quot;: неизвестный фланг &quot;%1&quot;</source>
        <translation>&quot;flanks&quot;: unknown flank &quot;%1&quot;</translation>
    </message>
    <message>
        <source>&quot;%1&quot;: неизвестный ключ &quot;%2&quot;</source>
        <translation>&quot;%1&quot;: unknown key &quot;%2&quot;</translation>
    </message>
    <message>
        <source>код %1</source>
        <translation>code %1</translation>
    </message>
    <message>
        <source>Протокол пусконаладки извещателя ВЕРКАН-Р</source>
        <translation>VERKAN-R detector commissioning report</translation>
    </message>
    <message>
        <source>Дата и время</source>
        <translation>Date and time</translation>
    </message>
    <message>
        <source>Порт</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Скорость</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>%1 бод</source>
        <translation>%1 baud</translation>
    </message>
    <message>
        <source>Адрес блока</source>
        <translation>Unit address</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Параметр</source>
        <translation>Parameter</translation>
    </message>
    <message>
        <source>Фланг 1</source>
        <translation>Flank 1</translation>
    </message>
    <message>
        <source>Фланг 2</source>
        <translation>Flank 2</translation>
    </message>
    <message>
        <source>Состояние</source>
        <translation>State</translation>
    </message>
    <message>
        <source>Фланг</source>
        <translation>Flank</translation>
    </message>
    <message>
        <source>Сигнал</source>
        <translation>Signal</translation>
    </message>
    <message>
        <source>Порог</source>
        <translation>Threshold</translation>
    </message>
    <message>
        <source>Уровень 1</source>
        <translation>Level 1</translation>
    </message>
    <message>
        <source>Уровень 2</source>
        <translation>Level 2</translation>
    </message>
    <message>
        <source>нет данных</source>
        <translation>no data</translation>
    </message>
    <message>
        <source>Датчик вскрытия:</source>
        <translation>Tamper switch:</translation>
    </message>
    <message>
        <source>Контрольный проход</source>
        <translation>Test crossing</translation>
    </message>
    <message>
        <source>Длительность</source>
        <translation>Duration</translation>
    </message>
    <message>
        <source>%1 с</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>Средний полезный сигнал</source>
        <translation>Mean useful signal</translation>
    </message>
    <message>
        <source>нет (проход короче одного блока)</source>
        <translation>none (the pass was shorter than one block)</translation>
    </message>
    <message>
        <source>Протокол пусконаладки ВЕРКАН-Р</source>
        <translation>VERKAN-R commissioning report</translation>
    </message>
    <message>
        <source>время, с</source>
        <translation>time, s</translation>
    </message>
    <message>
        <source>В</source>
        <translation>V</translation>
    </message>
    <message>
        <source>порог %1</source>
        <translation>threshold %1</translation>
    </message>
    <message>
        <source>неизвестная ошибка</source>
        <translation>unknown error</translation>
    </message>
    <message>
        <source>нет места на диске</source>
        <translation>no space left on the disk</translation>
    </message>
    <message>
        <source>превышена дисковая квота</source>
        <translation>disk quota exceeded</translation>
    </message>
    <message>
        <source>файл слишком большой</source>
        <translation>file too large</translation>
    </message>
    <message>
        <source>нет прав доступа</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>файловая система только для чтения</source>
        <translation>read-only file system</translation>
    </message>
    <message>
        <source>нет такого файла или папки</source>
        <translation>no such file or folder</translation>
    </message>
    <message>
        <source>часть пути не является папкой</source>
        <translation>a part of the path is not a folder</translation>
    </message>
    <message>
        <source>это папка</source>
        <translation>is a folder</translation>
    </message>
    <message>
        <source>файл уже существует</source>
        <translation>file already exists</translation>
    </message>
    <message>
        <source>слишком длинное имя файла</source>
        <translation>file name too long</translation>
    </message>
    <message>
        <source>открыто слишком много файлов</source>
        <translation>too many open files</translation>
    </message>
    <message>
        <source>ошибка ввода-вывода</source>
        <translation>input/output error</translation>
    </message>
    <message>
        <source>объект не закрыт</source>
        <translation>an object is not closed</translation>
    </message>
    <message>
        <source>нет двоеточия после ключа</source>
        <translation>no colon after a key</translation>
    </message>
    <message>
        <source>массив не закрыт</source>
        <translation>an array is not closed</translation>
    </message>
    <message>
        <source>нет запятой между значениями</source>
        <translation>no comma between values</translation>
    </message>
    <message>
        <source>неверное число</source>
        <translation>a malformed number</translation>
    </message>
    <message>
        <source>неверная строка</source>
        <translation>a malformed string</translation>
    </message>
    <message>
        <source>лишние знаки после документа</source>
        <translation>characters after the document</translation>
    </message>
    <message>
        <source>неверное значение</source>
        <translation>a malformed value</translation>
    </message>
    <message>
        <source>&quot;saved&quot;: ожидаются дата и время ISO 8601 (&quot;2026-12-06T12:00:00&quot;)</source>
        <translation>&quot;saved&quot;: an ISO 8601 date and time expected (&quot;2026-12-06T12:00:00&quot;)</translation>
    </message>
    <message>
        <source>%1 В/дел., %2 с/дел.</source>
        <translation>%1 V/div., %2 s/div.</translation>
    </message>
    <message>
        <source>Масштаб</source>
        <translation>Scale</translation>
    </message>
    <message>
        <source>Объект</source>
        <translation>Site</translation>
    </message>
    <message>
        <source>Монтажник</source>
        <translation>Installer</translation>
    </message>
    <message>
        <source>не прочитан: блок не ответил</source>
        <translation>not read: the unit did not answer</translation>
    </message>
    <message>
        <source>Контрольный проход не выполнялся</source>
        <translation>No control pass was made</translation>
    </message>
    <message>
        <source>Подписи</source>
        <translation>Signatures</translation>
    </message>
    <message>
        <source>Подпись</source>
        <translation>Signature</translation>
    </message>
    <message>
        <source>Дата</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Заказчик</source>
        <translation>Customer</translation>
    </message>
    <message>
        <source>%1: недопустимое значение %2; допустимы: %3</source>
        <translation>%1: value %2 not allowed; allowed: %3</translation>
    </message>
    <message>
        <source>нет ключа %1</source>
        <translation>missing key %1</translation>
    </message>
    <message>
        <source>%1: ключ задан дважды</source>
        <translation>%1: key given twice</translation>
    </message>
    <message>
        <source>неверное имя или адрес сервера &quot;%1&quot;</source>
        <translation>invalid server name or address &quot;%1&quot;</translation>
    </message>
    <message>
        <source>порт не указан</source>
        <translation>no port given</translation>
    </message>
    <message>
        <source>пробелы в начале или в конце &quot;%1&quot;</source>
        <translation>spaces at the start or end of &quot;%1&quot;</translation>
    </message>
    <message>
        <source>номер COM-порта %1 не от %2 до %3</source>
        <translation>COM port number %1 is not from %2 to %3</translation>
    </message>
    <message>
        <source>неизвестная схема &quot;%1&quot;: ожидается tcp:// или rfc2217://</source>
        <translation>unknown scheme &quot;%1&quot;: tcp:// or rfc2217:// expected</translation>
    </message>
    <message>
        <source>относительный путь &quot;%1&quot;: нужен номер COM-порта, полный путь к устройству, tcp:// или rfc2217://</source>
        <translation>relative path &quot;%1&quot;: give a COM port number, a full device path, tcp:// or rfc2217://</translation>
    </message>
    <message>
        <source>адрес IPv6 пишется в квадратных скобках, например [::1]</source>
        <translation>an IPv6 address is written in square brackets, e.g. [::1]</translation>
    </message>
    <message>
        <source>не указан сервер</source>
        <translation>no server given</translation>
    </message>
    <message>
        <source>не указан номер TCP-порта</source>
        <translation>no TCP port number given</translation>
    </message>
    <message>
        <source>неверный номер TCP-порта &quot;%1&quot;</source>
        <translation>invalid TCP port number &quot;%1&quot;</translation>
    </message>
    <message>
        <source>лишние символы &quot;%1&quot; после номера TCP-порта</source>
        <translation>extra characters &quot;%1&quot; after the TCP port number</translation>
    </message>
    <message>
        <source>номер TCP-порта %1 не от %2 до %3</source>
        <translation>TCP port number %1 is not from %2 to %3</translation>
    </message>
    <message>
        <source>сервер не принимает скорость %1</source>
        <translation>the server does not accept speed %1</translation>
    </message>
    <message>
        <source>сервер не принимает формат линии %1</source>
        <translation>the server does not accept line format %1</translation>
    </message>
    <message>
        <source>сервер не устанавливает скорость линии; используйте tcp://</source>
        <translation>the server does not set line speeds; use tcp://</translation>
    </message>
    <message>
        <source>порт сервера занят другим клиентом (Port already in use)</source>
        <translation>the server&apos;s port is in use by another client (Port already in use)</translation>
    </message>
    <message>
        <source>сервер закрыл соединение</source>
        <translation>the server closed the connection</translation>
    </message>
    <message>
        <source>сервер не найден</source>
        <translation>server not found</translation>
    </message>
    <message>
        <source>сервер отказал в соединении</source>
        <translation>the server refused the connection</translation>
    </message>
    <message>
        <source>сервер не отвечает</source>
        <translation>the server does not answer</translation>
    </message>
    <message>
        <source>сервер не настроил линию</source>
        <translation>the server did not set the line up</translation>
    </message>
    <message>
        <source>COM-порт %1 (%2)</source>
        <translation>COM port %1 (%2)</translation>
    </message>
</context>
<context>
    <name>ExchangeJournal</name>
    <message>
        <source>Старт.   COM-порт: </source>
        <translation>Start.   COM port: </translation>
    </message>
    <message>
        <source>     Адрес: </source>
        <translation>     Address: </translation>
    </message>
    <message>
        <source>  НЕТ СВЯЗИ С БЛОКОМ!</source>
        <translation>  NO LINK WITH THE UNIT!</translation>
    </message>
    <message>
        <source> НЕТ СВЯЗИ С БЛОКОМ!</source>
        <translation> NO LINK WITH THE UNIT!</translation>
    </message>
    <message>
        <source>   Стоп</source>
        <translation>   Stop</translation>
    </message>
    <message>
        <source> Стоп</source>
        <translation> Stop</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>Программа настройки ВЕРКАН-Р Ливерт</source>
        <translation>VERKAN-R Livert setup program</translation>
    </message>
</context>
<context>
    <name>Help</name>
    <message>
        <source>Руководство</source>
        <translation>Guide</translation>
    </message>
    <message>
        <source>Руководство — verkan-r</source>
        <translation>Guide — verkan-r</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>verkan-r, версия %1</source>
        <translation>verkan-r, version %1</translation>
    </message>
    <message>
        <source>Программа настройки и контроля извещателя ВЕРКАН-Р.

Лицензия MIT. Copyright (c) 2026 verkan-r developers.

Журнал событий: %1</source>
        <translation>Setup and monitoring program for the VERKAN-R detector.

MIT licence. Copyright (c) 2026 verkan-r developers.

Event journal: %1</translation>
    </message>
    <message>
        <source>Руководство не найдено. Оно устанавливается вместе с программой в /usr/share/doc/verkan-r/%1.</source>
        <translation>The guide was not found. It is installed with the program in /usr/share/doc/verkan-r/%1.</translation>
    </message>
</context>
<context>
    <name>LineJournal</name>
    <message>
        <source>Блок %1:</source>
        <translation>Unit %1:</translation>
    </message>
    <message>
        <source>  НЕТ СВЯЗИ С БЛОКОМ!</source>
        <translation>  NO LINK WITH THE UNIT!</translation>
    </message>
    <message>
        <source> НЕТ СВЯЗИ С БЛОКОМ!</source>
        <translation> NO LINK WITH THE UNIT!</translation>
    </message>
    <message>
        <source>  На связи</source>
        <translation>  Link up</translation>
    </message>
    <message>
        <source> На связи</source>
        <translation> Link up</translation>
    </message>
    <message>
        <source>Квитировано, оператор %1</source>
        <translation>Acknowledged, operator %1</translation>
    </message>
    <message>
        <source>Наблюдение за линией.   Порт: </source>
        <translation>Line watch.   Port: </translation>
    </message>
    <message>
        <source>     Адреса: </source>
        <translation>     Addresses: </translation>
    </message>
    <message>
        <source>Наблюдение за линией: стоп</source>
        <translation>Line watch: stop</translation>
    </message>
</context>
<context>
    <name>LinePublisher</name>
    <message>
        <source>не задан адрес брокера MQTT</source>
        <translation>no MQTT broker address given</translation>
    </message>
    <message>
        <source>Префикс MQTT</source>
        <translation>MQTT prefix</translation>
    </message>
    <message>
        <source>Имя линии MQTT</source>
        <translation>MQTT line name</translation>
    </message>
    <message>
        <source>пароль MQTT задан без имени пользователя</source>
        <translation>an MQTT password is given without a user name</translation>
    </message>
    <message>
        <source>файл пароля MQTT %1 не читается: %2</source>
        <translation>the MQTT password file %1 cannot be read: %2</translation>
    </message>
    <message>
        <source>сертификат MQTT %1 не читается</source>
        <translation>the MQTT certificate %1 cannot be read</translation>
    </message>
    <message>
        <source>MQTT: брокер %1 отказал в подключении: %2. Проверьте имя пользователя и пароль. Наблюдение идёт, события ждут брокера</source>
        <translation>MQTT: the broker %1 refused the connection: %2. Check the user name and password. The watch goes on, events wait for the broker</translation>
    </message>
    <message>
        <source>MQTT: брокер %1 недоступен: %2. Наблюдение идёт, события ждут брокера</source>
        <translation>MQTT: the broker %1 cannot be reached: %2. The watch goes on, events wait for the broker</translation>
    </message>
    <message>
        <source>MQTT: связь с брокером %1 потеряна: %2. Наблюдение идёт, события ждут брокера</source>
        <translation>MQTT: the connection to the broker %1 is lost: %2. The watch goes on, events wait for the broker</translation>
    </message>
    <message>
        <source>MQTT: подключено к брокеру %1</source>
        <translation>MQTT: connected to the broker %1</translation>
    </message>
    <message>
        <source>; очередь была полна, старейших событий отброшено: %1</source>
        <translation>; the queue was full, oldest events dropped: %1</translation>
    </message>
    <message>
        <source>MQTT: очередь событий полна (%1), старейшие отбрасываются</source>
        <translation>MQTT: the event queue is full (%1), the oldest are dropped</translation>
    </message>
    <message>
        <source>MQTT: не доставлено брокеру событий: %1</source>
        <translation>MQTT: events not delivered to the broker: %1</translation>
    </message>
    <message>
        <source>MQTT: отброшено старейших событий при полной очереди: %1</source>
        <translation>MQTT: oldest events dropped from the full queue: %1</translation>
    </message>
</context>
<context>
    <name>LineTableModel</name>
    <message>
        <source>На связи</source>
        <translation>Link up</translation>
    </message>
    <message>
        <source>Нет связи</source>
        <translation>No link</translation>
    </message>
    <message>
        <source>Не квитировано</source>
        <translation>Not acknowledged</translation>
    </message>
    <message>
        <source>Адрес</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Скорость, бод</source>
        <translation>Speed, baud</translation>
    </message>
    <message>
        <source>Фланг 1</source>
        <translation>Flank 1</translation>
    </message>
    <message>
        <source>Фланг 2</source>
        <translation>Flank 2</translation>
    </message>
    <message>
        <source>Датчик вскрытия</source>
        <translation>Tamper switch</translation>
    </message>
    <message>
        <source>Связь</source>
        <translation>Link</translation>
    </message>
    <message>
        <source>Последнее изменение</source>
        <translation>Last change</translation>
    </message>
</context>
<context>
    <name>LineView</name>
    <message>
        <source>Укажите адреса, например 1-16,20.</source>
        <translation>Enter the addresses, for example 1-16,20.</translation>
    </message>
    <message>
        <source>«%1» — не адрес и не диапазон адресов от %2 до %3.</source>
        <translation>&quot;%1&quot; is neither an address nor a range of addresses from %2 to %3.</translation>
    </message>
    <message>
        <source>Диапазон «%1» идёт от большего адреса к меньшему.</source>
        <translation>The range &quot;%1&quot; runs from a higher address to a lower one.</translation>
    </message>
    <message>
        <source>Адрес %1 указан дважды.</source>
        <translation>Address %1 is given twice.</translation>
    </message>
    <message>
        <source>&amp;Найти блоки</source>
        <translation>&amp;Find units</translation>
    </message>
    <message>
        <source>С&amp;тарт</source>
        <translation>S&amp;tart</translation>
    </message>
    <message>
        <source>Ст&amp;оп</source>
        <translation>St&amp;op</translation>
    </message>
    <message>
        <source>&amp;Квитировать</source>
        <translation>A&amp;cknowledge</translation>
    </message>
    <message>
        <source>Открыть в &amp;главном окне</source>
        <translation>Open in &amp;main window</translation>
    </message>
    <message>
        <source>Наблюдение за линией</source>
        <translation>Watch line</translation>
    </message>
    <message>
        <source>&amp;Порт</source>
        <translation>&amp;Port</translation>
    </message>
    <message>
        <source>&amp;Адреса</source>
        <translation>&amp;Addresses</translation>
    </message>
    <message>
        <source>&amp;Скорость, бод</source>
        <translation>&amp;Speed, baud</translation>
    </message>
    <message>
        <source>&amp;Блоки на линии:</source>
        <translation>&amp;Units on the line:</translation>
    </message>
    <message>
        <source>Ошибка в адресах</source>
        <translation>Error in the addresses</translation>
    </message>
    <message>
        <source>Состояние наблюдения</source>
        <translation>Watch status</translation>
    </message>
    <message>
        <source>%1: %2.</source>
        <translation>%1: %2.</translation>
    </message>
    <message>
        <source>Порт занят обменом главного окна: нажмите там «СТОП».</source>
        <translation>The port is in use by the main window&apos;s exchange: press &quot;STOP&quot; there.</translation>
    </message>
    <message>
        <source>COM-порт %1</source>
        <translation>COM port %1</translation>
    </message>
    <message>
        <source>Наблюдение: %1, адреса %2, %3 бод.</source>
        <translation>Watching: %1, addresses %2, %3 baud.</translation>
    </message>
    <message>
        <source>Наблюдение остановлено.</source>
        <translation>Watch stopped.</translation>
    </message>
    <message>
        <source>Ни один блок не ответил.</source>
        <translation>No unit answered.</translation>
    </message>
    <message>
        <source>Найдено блоков: %1.</source>
        <translation>Units found: %1.</translation>
    </message>
    <message>
        <source>Прервать &amp;поиск</source>
        <translation>Cancel the &amp;search</translation>
    </message>
    <message>
        <source>Порт занят обменом главного окна</source>
        <translation>The port is in use by the main window&apos;s exchange</translation>
    </message>
    <message>
        <source>&amp;Дистанционный контроль</source>
        <translation>&amp;Remote test</translation>
    </message>
    <message>
        <source>Дистанционный контроль: блок %1.</source>
        <translation>Remote test: unit %1.</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>&amp;Файл</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Сохранить настройки блока…</source>
        <translation>&amp;Save unit settings…</translation>
    </message>
    <message>
        <source>&amp;Записать настройки в блок…</source>
        <translation>&amp;Write settings to unit…</translation>
    </message>
    <message>
        <source>Запись си&amp;гнала в файл…</source>
        <translation>Record si&amp;gnal to file…</translation>
    </message>
    <message>
        <source>Сохранить &amp;диаграмму…</source>
        <translation>Save &amp;chart…</translation>
    </message>
    <message>
        <source>&amp;Отчёт о проверке…</source>
        <translation>Test &amp;report…</translation>
    </message>
    <message>
        <source>&amp;Выход</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>&amp;Блок</source>
        <translation>&amp;Unit</translation>
    </message>
    <message>
        <source>&amp;Найти блок…</source>
        <translation>&amp;Find unit…</translation>
    </message>
    <message>
        <source>&amp;Справка</source>
        <translation>&amp;Help</translation>
    </message>
    <message>
        <source>&amp;Руководство</source>
        <translation>&amp;Guide</translation>
    </message>
    <message>
        <source>&amp;О программе</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>Сохранить настройки блока</source>
        <translation>Save unit settings</translation>
    </message>
    <message>
        <source>Настройки блока (*.json)</source>
        <translation>Unit settings (*.json)</translation>
    </message>
    <message>
        <source>Записать настройки в блок</source>
        <translation>Write settings to unit</translation>
    </message>
    <message>
        <source>Запись сигнала в файл</source>
        <translation>Record signal to file</translation>
    </message>
    <message>
        <source>Таблица CSV (*.csv)</source>
        <translation>CSV table (*.csv)</translation>
    </message>
    <message>
        <source> — запись сигнала: %1, строк: %2</source>
        <translation> — recording signal: %1, rows: %2</translation>
    </message>
    <message>
        <source>Сохранить диаграмму</source>
        <translation>Save chart</translation>
    </message>
    <message>
        <source>Рисунок PNG (*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>%1: не удалось записать файл.</source>
        <translation>%1: could not write the file.</translation>
    </message>
    <message>
        <source>Отчёт о проверке</source>
        <translation>Test report</translation>
    </message>
    <message>
        <source>Документ PDF (*.pdf)</source>
        <translation>PDF document (*.pdf)</translation>
    </message>
    <message>
        <source>blok</source>
        <comment>file name: ASCII only</comment>
        <translation>unit</translation>
    </message>
    <message>
        <source>nastrojki</source>
        <comment>file name: ASCII only</comment>
        <translation>settings</translation>
    </message>
    <message>
        <source>signal</source>
        <comment>file name: ASCII only</comment>
        <translation>signal</translation>
    </message>
    <message>
        <source>diagramma</source>
        <comment>file name: ASCII only</comment>
        <translation>chart</translation>
    </message>
    <message>
        <source>otchet</source>
        <comment>file name: ASCII only</comment>
        <translation>report</translation>
    </message>
    <message>
        <source>&amp;Старт обмена</source>
        <translation>&amp;Start data exchange</translation>
    </message>
    <message>
        <source>Сто&amp;п обмена</source>
        <translation>Sto&amp;p data exchange</translation>
    </message>
    <message>
        <source>Только при запущенном обмене</source>
        <translation>Only while the exchange is running</translation>
    </message>
    <message>
        <source>Только при остановленном обмене</source>
        <translation>Only while the exchange is stopped</translation>
    </message>
    <message>
        <source>Дождитесь окончания текущей операции</source>
        <translation>Wait until the current operation has ended</translation>
    </message>
    <message>
        <source>%1 строка</source>
        <translation>%1 row</translation>
    </message>
    <message>
        <source>%1 строки</source>
        <translation>%1 rows</translation>
    </message>
    <message>
        <source>%1 строк</source>
        <translation>%1 rows</translation>
    </message>
    <message>
        <source>Настройки блока сохранены: %1</source>
        <translation>Unit settings saved: %1</translation>
    </message>
    <message>
        <source>Запись остановлена: %1, %2</source>
        <translation>Recording stopped: %1, %2</translation>
    </message>
    <message>
        <source>Диаграмма сохранена: %1</source>
        <translation>Chart saved: %1</translation>
    </message>
    <message>
        <source>Отчёт сохранён: %1</source>
        <translation>Report saved: %1</translation>
    </message>
    <message>
        <source>Се&amp;тевые порты…</source>
        <translation>&amp;Network ports…</translation>
    </message>
    <message>
        <source>Идёт наблюдение за линией</source>
        <translation>The line is being watched</translation>
    </message>
    <message>
        <source>Наблюдение за &amp;линией…</source>
        <translation>&amp;Watch line…</translation>
    </message>
</context>
<context>
    <name>MonitorPanel</name>
    <message>
        <source>   Выполнен ДК</source>
        <translation>   Remote test done</translation>
    </message>
    <message>
        <source> Выполнен ДК</source>
        <translation> Remote test done</translation>
    </message>
    <message>
        <source>  Очистка журнала</source>
        <translation>  Journal cleared</translation>
    </message>
    <message>
        <source> Очистка журнала</source>
        <translation> Journal cleared</translation>
    </message>
    <message>
        <source>Уровни &lt;1&gt; &lt;2&gt; :</source>
        <translation>Levels &lt;1&gt; &lt;2&gt; :</translation>
    </message>
    <message>
        <source>Датчик вскрытия:</source>
        <translation>Tamper switch:</translation>
    </message>
    <message>
        <source>Состояние:</source>
        <translation>State:</translation>
    </message>
    <message>
        <source>Журнал событий</source>
        <translation>Event journal</translation>
    </message>
    <message>
        <source>Выполнить</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Звук</source>
        <translation>Sound</translation>
    </message>
    <message>
        <source>Нет связи</source>
        <translation>No link</translation>
    </message>
    <message>
        <source>Не удалось записать файл журнала %1: %2</source>
        <translation>Could not write the journal file %1: %2</translation>
    </message>
    <message>
        <source>Сигнал тревоги не слышен%1: %2</source>
        <translation>The alarm sound cannot be heard%1: %2</translation>
    </message>
</context>
<context>
    <name>Mqtt</name>
    <message>
        <source>нет закрывающей скобки: %1</source>
        <translation>no closing bracket: %1</translation>
    </message>
    <message>
        <source>лишнее после адреса: %1</source>
        <translation>something after the address: %1</translation>
    </message>
    <message>
        <source>не задан адрес брокера</source>
        <translation>no broker address given</translation>
    </message>
    <message>
        <source>порт брокера не число 1–65535: %1</source>
        <translation>the broker port is not a number 1–65535: %1</translation>
    </message>
    <message>
        <source>%1 «%2»: допустимы латинские буквы, цифры, «-» и «_»</source>
        <translation>%1 &quot;%2&quot;: only Latin letters, digits, &quot;-&quot; and &quot;_&quot; are allowed</translation>
    </message>
    <message>
        <source>Фланг %1</source>
        <translation>Flank %1</translation>
    </message>
    <message>
        <source>Вскрытие</source>
        <translation>Tamper</translation>
    </message>
    <message>
        <source>Связь</source>
        <translation>Link</translation>
    </message>
    <message>
        <source>ВЕРКАН-Р %1, блок %2</source>
        <translation>VERKAN-R %1, unit %2</translation>
    </message>
    <message>
        <source>брокер не ответил</source>
        <translation>the broker did not answer</translation>
    </message>
    <message>
        <source>сертификат %1 не читается: %2</source>
        <translation>the certificate %1 cannot be read: %2</translation>
    </message>
    <message>
        <source>адрес не найден: %1</source>
        <translation>address not found: %1</translation>
    </message>
</context>
<context>
    <name>MqttPanel</name>
    <message>
        <source>Публиковать в &amp;MQTT</source>
        <translation>Publish to &amp;MQTT</translation>
    </message>
    <message>
        <source>по имени порта</source>
        <translation>the port&apos;s name</translation>
    </message>
    <message>
        <source>Выбрать файл пароля</source>
        <translation>Choose the password file</translation>
    </message>
    <message>
        <source>Выбрать сертификат ЦС</source>
        <translation>Choose the CA certificate</translation>
    </message>
    <message>
        <source>Состояние публикации в MQTT</source>
        <translation>MQTT publishing state</translation>
    </message>
    <message>
        <source>Б&amp;рокер</source>
        <translation>B&amp;roker</translation>
    </message>
    <message>
        <source>&amp;Имя линии</source>
        <translation>&amp;Line name</translation>
    </message>
    <message>
        <source>Пр&amp;ефикс</source>
        <translation>Pr&amp;efix</translation>
    </message>
    <message>
        <source>Пользо&amp;ватель</source>
        <translation>&amp;User</translation>
    </message>
    <message>
        <source>&amp;Файл пароля</source>
        <translation>&amp;Password file</translation>
    </message>
    <message>
        <source>Сертификат &amp;ЦС</source>
        <translation>&amp;CA certificate</translation>
    </message>
    <message>
        <source>Файл пароля MQTT</source>
        <translation>MQTT password file</translation>
    </message>
    <message>
        <source>Все файлы (*)</source>
        <translation>All files (*)</translation>
    </message>
    <message>
        <source>Сертификат ЦС брокера MQTT</source>
        <translation>The MQTT broker&apos;s CA certificate</translation>
    </message>
    <message>
        <source>Сертификаты (*.pem *.crt);;Все файлы (*)</source>
        <translation>Certificates (*.pem *.crt);;All files (*)</translation>
    </message>
    <message>
        <source>по имени порта: %1</source>
        <translation>the port&apos;s name: %1</translation>
    </message>
    <message>
        <source>MQTT: %1.</source>
        <translation>MQTT: %1.</translation>
    </message>
    <message>
        <source>Префикс</source>
        <translation>Prefix</translation>
    </message>
    <message>
        <source>Имя линии</source>
        <translation>Line name</translation>
    </message>
    <message>
        <source>MQTT: подключение к брокеру %1…</source>
        <translation>MQTT: connecting to the broker %1…</translation>
    </message>
    <message>
        <source>Публикация в MQTT остановлена.</source>
        <translation>MQTT publishing stopped.</translation>
    </message>
    <message>
        <source>Брокер MQTT: подключение…</source>
        <translation>MQTT broker: connecting…</translation>
    </message>
    <message>
        <source>Брокер MQTT: на связи.</source>
        <translation>MQTT broker: connected.</translation>
    </message>
    <message>
        <source>Брокер MQTT: нет связи.</source>
        <translation>MQTT broker: no connection.</translation>
    </message>
    <message>
        <source>Публикация в MQTT завершается…</source>
        <translation>MQTT publishing is finishing…</translation>
    </message>
</context>
<context>
    <name>NetworkPorts</name>
    <message>
        <source>нет имени</source>
        <translation>no name</translation>
    </message>
    <message>
        <source>имя «%1» — число, так называются COM-порты</source>
        <translation>the name “%1” is a number, as COM ports are named</translation>
    </message>
    <message>
        <source>имя «%1» уже есть</source>
        <translation>the name “%1” is already taken</translation>
    </message>
    <message>
        <source>нужен порт сервера: tcp://ХОСТ:ПОРТ или rfc2217://ХОСТ:ПОРТ</source>
        <translation>a server port is needed: tcp://HOST:PORT or rfc2217://HOST:PORT</translation>
    </message>
    <message>
        <source>Не больше %1 сетевых портов.</source>
        <translation>No more than %1 network ports.</translation>
    </message>
    <message>
        <source>Строка %1: %2.</source>
        <translation>Row %1: %2.</translation>
    </message>
</context>
<context>
    <name>NetworkPortsDialog</name>
    <message>
        <source>Шкаф 2</source>
        <translation>Cabinet 2</translation>
    </message>
    <message>
        <source>&amp;Добавить</source>
        <translation>&amp;Add</translation>
    </message>
    <message>
        <source>&amp;Удалить</source>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source>Сетевые порты</source>
        <translation>Network ports</translation>
    </message>
    <message>
        <source>Имя</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Порт</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Порты серверов последовательных линий, по имени в списке «COM-порт» после номеров: tcp://ХОСТ:ПОРТ (скорость задана на сервере) или rfc2217://ХОСТ:ПОРТ, например rfc2217://192.168.1.50:4001.</source>
        <translation>Ports of serial device servers, listed by name in “COM port” after the numbers: tcp://HOST:PORT (the speed is set on the server) or rfc2217://HOST:PORT, for example rfc2217://192.168.1.50:4001.</translation>
    </message>
</context>
<context>
    <name>ReadSettingsTask</name>
    <message>
        <source>Настройки блока %1 прочитаны.</source>
        <translation>Settings of unit %1 read.</translation>
    </message>
    <message>
        <source>%1: не удалось записать файл (%2)</source>
        <translation>%1: could not write the file (%2)</translation>
    </message>
    <message>
        <source>Настройки блока %1 записаны в %2</source>
        <translation>Settings of unit %1 written to %2</translation>
    </message>
</context>
<context>
    <name>RecordTask</name>
    <message>
        <source>%1: не удалось создать файл (%2)</source>
        <translation>%1: could not create the file (%2)</translation>
    </message>
    <message>
        <source>Записано ответов: %1, файл %2</source>
        <translation>Replies recorded: %1, file %2</translation>
    </message>
    <message>
        <source>%1: не удалось записать файл (%2)</source>
        <translation>%1: could not write the file (%2)</translation>
    </message>
</context>
<context>
    <name>ReportDetailsDialog</name>
    <message>
        <source>Отчёт о проверке</source>
        <translation>Test report</translation>
    </message>
    <message>
        <source>&amp;Объект:</source>
        <translation>&amp;Site:</translation>
    </message>
    <message>
        <source>&amp;Монтажник (Ф. И. О.):</source>
        <translation>&amp;Installer (full name):</translation>
    </message>
    <message>
        <source>Войдут в отчёт вместе с номером блока. Пустое поле станет строкой, чтобы вписать от руки.</source>
        <translation>They go into the report with the unit number. An empty field becomes a line to write on by hand.</translation>
    </message>
</context>
<context>
    <name>ReportTask</name>
    <message>
        <source>Состояние флангов блока %1</source>
        <translation>State of the flanks of unit %1</translation>
    </message>
    <message>
        <source>Контрольный проход на фланге %1</source>
        <translation>Test crossing on flank %1</translation>
    </message>
    <message>
        <source>%1: не удалось записать файл (%2)</source>
        <translation>%1: could not write the file (%2)</translation>
    </message>
    <message>
        <source>Отчёт записан в %1</source>
        <translation>Report written to %1</translation>
    </message>
    <message>
        <source>Обмен данными остановлен; отчёт не записан.</source>
        <translation>Data exchange stopped; the report was not written.</translation>
    </message>
    <message>
        <source>Чтение номера блока %1</source>
        <translation>Reading the number of unit %1</translation>
    </message>
</context>
<context>
    <name>SettingsPanel</name>
    <message>
        <source>ПAРАМЕТРЫ</source>
        <translation>PARAMETERS</translation>
    </message>
    <message>
        <source>НАСТРОЙКА</source>
        <translation>SETTINGS</translation>
    </message>
    <message>
        <source>Применить</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Изменить</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>  Перезагрузка извещателя!!! Установлен адрес:</source>
        <translation>  Detector restart!!! Address set:</translation>
    </message>
    <message>
        <source> Перезагрузка извещателя!!! Установлен адрес:</source>
        <translation> Detector restart!!! Address set:</translation>
    </message>
</context>
<context>
    <name>SettingsRead</name>
    <message>
        <source>Блок %1 не ответил на чтение настроек.</source>
        <translation>Unit %1 did not answer the settings read.</translation>
    </message>
    <message>
        <source>Чтение настроек блока %1: %2 из %3</source>
        <translation>Reading the settings of unit %1: %2 of %3</translation>
    </message>
    <message>
        <source>Чтение настроек блока %1</source>
        <translation>Reading the settings of unit %1</translation>
    </message>
</context>
<context>
    <name>Task</name>
    <message>
        <source>Отменено.</source>
        <translation>Cancelled.</translation>
    </message>
    <message>
        <source>Нет связи с блоком %1. Проверьте адрес и питание!</source>
        <translation>No link with unit %1. Check the address and power!</translation>
    </message>
    <message>
        <source>Обмен данными остановлен.</source>
        <translation>Data exchange stopped.</translation>
    </message>
</context>
<context>
    <name>TaskDialog</name>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
</TS>
