#pragma once

// The statements of the host database, exactly as the host installation expects them.

namespace data::sql {

inline constexpr const char* dseDatenbankversion = R"sql(select
  schluessel,
  varwert
from
  einstellungen
where
  (lower(schluessel) = 'datenbankversion')
)sql";

inline constexpr const char* dseMitarbeiter = R"sql(select
  m.mitarbeiternr,
  trim(coalesce(m.vorname, '') || coalesce(' ' || m.name,  '')) as name,
  m.loginname,
  m.passwort,
  coalesce(iif(m.mitarbeitergruppe = 0, g.mbartikel, m.mbartikel), 0) as mbartikel,
  coalesce(iif(m.mitarbeitergruppe = 0, g.mbauswertungen, m.mbauswertungen), 0) as mbauswertungen,
  coalesce(iif(m.mitarbeitergruppe = 0, g.mbbestellungen, m.mbbestellungen), 0) as mbbestellungen,
  coalesce(iif(m.mitarbeitergruppe = 0, g.mbkunden, m.mbkunden), 0) as mbkunden,
  coalesce(iif(m.mitarbeitergruppe = 0, g.mbmitarbeiter, m.mbmitarbeiter), 0) as mbmitarbeiter,
  coalesce(iif(m.mitarbeitergruppe = 0, g.mbrechnungen, m.mbrechnungen), 0) as mbrechnungen,
  coalesce(iif(m.mitarbeitergruppe = 0, g.mbsystem, m.mbsystem), 0) as mbsystem,
  coalesce(iif(m.mitarbeitergruppe = 0, g.mbtools, m.mbtools), 0) as mbtools,
  coalesce(iif(m.mitarbeitergruppe = 0, g.mblieferanten, m.mblieferanten), 0) as mblieferanten,
  coalesce(iif(m.mitarbeitergruppe = 0, g.mbwawi, m.mbwawi), 0) as mbwawi
from
  mitarbeiter m left outer join
  mitarbeitergruppen g on g.mitarbeitergruppe = m.mitarbeitergruppe
where
  (m.gesperrt = 0) and
  (m.geloescht = 0) and
  (m.austritt is null)
order by
  m.loginname
)sql";

inline constexpr const char* dseKassenID = R"sql(select
  id,
  bezeichnung
from
  kassen
where
  (lower(bezeichnung) = lower(:bezeichnung))
union
select
  id,
  bezeichnung
from
  kassen
where
  (id = (select min(id) from kassen))
)sql";

inline constexpr const char* dseServerDatum = R"sql(select
  current_date as datum
from
  rdb$database;
)sql";

inline constexpr const char* qryInsVorgangV8 = R"sql(insert into vorgangsprotokoll(
  kellnerid,
  kellner, 
  vorgang, 
  kassenid,
  kategorie,
  vorgangsnr,
  signaturtyp
)
values(
  :kellnerid,
  :kellner, 
  :vorgang, 
  :kassenid,
  :kategorie,
  0,
  0
)
)sql";

inline constexpr const char* qryInsVorgang = R"sql(insert into vorgangsprotokoll(
  kellner, 
  vorgang, 
  kassenid,
  kategorie
)
values(
  :kellner, 
  :vorgang, 
  :kassenid,
  :kategorie
)
)sql";

inline constexpr const char* dseSettings = R"sql(select
  schluessel,
  numwert
from
  einstellungen
where
  (lower(schluessel) starts with 'mwstsatz')
)sql";

inline constexpr const char* dseKassenbuchkonten = R"sql(select distinct
  kontobezeichnung,
  kontonr,
  steuersatz,
  min(mwstsatznr) as mwstsatznr
from
  (select
     k.kontobezeichnung,
     k.kontonr,
     k.steuersatz,
     0 as mwstsatznr
   from
     kassenbuchkonten k
   where
     (not k.kontobezeichnung is null) and
     (k.steuersatz = (select e.numwert from einstellungen e where (lower(e.schluessel) = 'mwstsatz0')))
   union all
   select
     k.kontobezeichnung,
     k.kontonr,
     k.steuersatz,
     1 as mwstsatznr
   from
     kassenbuchkonten k
   where
     (not k.kontobezeichnung is null) and
     (k.steuersatz = (select e.numwert from einstellungen e where (lower(e.schluessel) = 'mwstsatz1')))
   union all
   select
     k.kontobezeichnung,
     k.kontonr,
     k.steuersatz,
     2 as mwstsatznr
   from
     kassenbuchkonten k
   where
     (not k.kontobezeichnung is null) and
     (k.steuersatz = (select e.numwert from einstellungen e where (lower(e.schluessel) = 'mwstsatz2')))
   union all
   select
     k.kontobezeichnung,
     k.kontonr,
     k.steuersatz,
     3 as mwstsatznr
   from
     kassenbuchkonten k
   where
     (not k.kontobezeichnung is null) and
     (k.steuersatz = (select e.numwert from einstellungen e where (lower(e.schluessel) = 'mwstsatz3')))
   union all
   select
     k.kontobezeichnung,
     k.kontonr,
     k.steuersatz,
     4 as mwstsatznr
   from
     kassenbuchkonten k
   where
     (not k.kontobezeichnung is null) and
     (k.steuersatz = (select e.numwert from einstellungen e where (lower(e.schluessel) = 'mwstsatz4'))))
group by
  kontobezeichnung,
  kontonr,
  steuersatz
order by
  4

)sql";

inline constexpr const char* qrySetVatRate = R"sql(update
  einstellungen
set
  numwert = :numwert
where
  (lower(schluessel) = lower(:schluessel))
)sql";

// Only the accounts of that name that still carry the slot's old rate follow it;
// a same-named account with another rate keeps its own.
inline constexpr const char* qrySetKassenbuchkonto = R"sql(update
  kassenbuchkonten
set
  steuersatz = :steuersatz
where
  (kontobezeichnung = :kontobezeichnung) and
  (steuersatz = :steuersatzalt)
)sql";

inline constexpr const char* dseArtikel = R"sql(select
  w.bezeichnung as warengruppe, 
  iif(a.bezeichnung is null, 'Eingabe Artikelbezeichnung', a.bezeichnung) as artikelbezeichnung,
  a.artikelid,
  a.mwstsatzih as idmwstsatzih,
  a.mwstsatzah as idmwstsatzah,
  decode(a.mwstsatzih, 
         0, (select numwert from einstellungen where (lower(schluessel) = 'mwstsatz0')),
         1, (select numwert from einstellungen where (lower(schluessel) = 'mwstsatz1')),
         2, (select numwert from einstellungen where (lower(schluessel) = 'mwstsatz2')),
         3, (select numwert from einstellungen where (lower(schluessel) = 'mwstsatz3')),
         4, (select numwert from einstellungen where (lower(schluessel) = 'mwstsatz4'))) as mwstsatzih,

  decode(a.mwstsatzah,
         0, (select numwert from einstellungen where (lower(schluessel) = 'mwstsatz0')),
         1, (select numwert from einstellungen where (lower(schluessel) = 'mwstsatz1')),
         2, (select numwert from einstellungen where (lower(schluessel) = 'mwstsatz2')),
         3, (select numwert from einstellungen where (lower(schluessel) = 'mwstsatz3')),
         4, (select numwert from einstellungen where (lower(schluessel) = 'mwstsatz4'))) as mwstsatzah
from
  artikel a left outer join
  warengruppe w on w.id = a.warengruppe
where
  (a.artikelid > 0)
order by
  upper(w.bezeichnung),
  upper(a.bezeichnung)
)sql";

inline constexpr const char* dseVatRates = R"sql(select
  cast(0 as integer) as id,
  cast(numwert as numeric(15,2)) as mwstsatz
from
  einstellungen
where
  (lower(schluessel) = 'mwstsatz0')

union
select
  cast(1 as integer) as id,
  cast(numwert as numeric(15,2)) as mwstsatz
from
  einstellungen
where
  (lower(schluessel) = 'mwstsatz1')

union
select
  cast(2 as integer) as id,
  cast(numwert as numeric(15,2)) as mwstsatz
from
  einstellungen
where
  (lower(schluessel) = 'mwstsatz2')

union
select
  cast(3 as integer) as id,
  cast(numwert as numeric(15,2)) as mwstsatz
from
  einstellungen
where
  (lower(schluessel) = 'mwstsatz3')

union
select
  cast(4 as integer) as id,
  cast(numwert as numeric(15,2)) as mwstsatz
from
  einstellungen
where
  (lower(schluessel) = 'mwstsatz4')
)sql";

inline constexpr const char* qrySetArticleVatRates = R"sql(update
  artikel
set
  mwstsatzih = :mwstsatzih,
  mwstsatzah = :mwstsatzah
where
  (artikelid = :artikelid)
)sql";

} // namespace data::sql
