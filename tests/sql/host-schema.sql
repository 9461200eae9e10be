-- The tables and columns of a KOVANTEL host database that the tool relies on, with
-- realistic types. The database's default character set is WIN1252.

create table einstellungen (
  schluessel varchar(40) not null primary key,
  numwert numeric(18,4),
  varwert varchar(200)
);

create table kassen (
  id integer not null primary key,
  bezeichnung varchar(40)
);

create table mitarbeitergruppen (
  mitarbeitergruppe integer not null primary key,
  bezeichnung varchar(40),
  mbartikel smallint default 0,
  mbauswertungen smallint default 0,
  mbbestellungen smallint default 0,
  mbkunden smallint default 0,
  mbmitarbeiter smallint default 0,
  mbrechnungen smallint default 0,
  mbsystem smallint default 0,
  mbtools smallint default 0,
  mblieferanten smallint default 0,
  mbwawi smallint default 0
);

create table mitarbeiter (
  mitarbeiternr integer not null primary key,
  vorname varchar(40),
  name varchar(40),
  loginname varchar(40),
  passwort varchar(40),
  mitarbeitergruppe integer default 0,
  gesperrt smallint default 0 not null,
  geloescht smallint default 0 not null,
  austritt date,
  mbartikel smallint default 0,
  mbauswertungen smallint default 0,
  mbbestellungen smallint default 0,
  mbkunden smallint default 0,
  mbmitarbeiter smallint default 0,
  mbrechnungen smallint default 0,
  mbsystem smallint default 0,
  mbtools smallint default 0,
  mblieferanten smallint default 0,
  mbwawi smallint default 0
);

create table warengruppe (
  id integer not null primary key,
  bezeichnung varchar(40)
);

create table artikel (
  artikelid integer not null primary key,
  bezeichnung varchar(60),
  warengruppe integer,
  mwstsatzih smallint default 1 not null,
  mwstsatzah smallint default 2 not null,
  preis numeric(15,2)
);

create table kassenbuchkonten (
  kontonr integer not null primary key,
  kontobezeichnung varchar(60),
  steuersatz double precision
);
